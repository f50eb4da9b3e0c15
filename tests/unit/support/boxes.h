// The message boxes a piece of host code showed: the host build writes each
// as "[caption] icon", the text, and an empty line on standard error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

struct Box {
  std::string caption;
  std::string icon;  // error, information, warning, question
  std::string text;

  bool operator==(const Box&) const = default;
};

// How GoogleTest prints a box in a failure message.
void PrintTo(const Box& box, std::ostream* out);

// Parses the blocks of captured standard error.
std::vector<Box> ParseBoxes(const std::string& stderrText);

// Captures standard error from construction to Stop() and parses the boxes.
class BoxCapture {
 public:
  BoxCapture();
  BoxCapture(const BoxCapture&) = delete;
  BoxCapture& operator=(const BoxCapture&) = delete;
  ~BoxCapture();
  std::vector<Box> Stop();
  const std::string& raw() const { return raw_; }

 private:
  bool running_ = true;
  std::string raw_;
};

}  // namespace testsupport
