#include "support/boxes.h"

#include <gtest/gtest.h>

#include <string_view>

namespace testsupport {
namespace {

// "[caption] icon" with one of the icons the host writes.
bool IsHeader(std::string_view line) {
  if (line.empty() || line[0] != '[') return false;
  const auto close = line.rfind("] ");
  if (close == std::string_view::npos) return false;
  const std::string_view icon = line.substr(close + 2);
  return icon == "error" || icon == "information" || icon == "warning" || icon == "question" ||
         icon == "none";
}

std::string_view LineAt(std::string_view text, std::size_t at) {
  const auto eol = text.find('\n', at);
  return text.substr(at, eol == std::string_view::npos ? std::string_view::npos : eol - at);
}

// Where the text that starts at `from` ends: at the first empty line that is
// followed by the end or by the next box. A text may hold empty lines itself
// (message 300 does).
std::size_t TextEnd(std::string_view text, std::size_t from) {
  for (auto end = text.find("\n\n", from); end != std::string_view::npos;
       end = text.find("\n\n", end + 1)) {
    if (end + 2 == text.size() || IsHeader(LineAt(text, end + 2))) return end;
  }
  return std::string_view::npos;
}

}  // namespace

std::vector<Box> ParseBoxes(const std::string& stderrText) {
  const std::string_view text = stderrText;
  std::vector<Box> boxes;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::string_view head = LineAt(text, at);
    const std::size_t next = at + head.size() + 1;
    if (!IsHeader(head)) {
      // Not a box (another message on standard error): skip the line.
      at = next;
      continue;
    }
    const auto close = head.rfind("] ");
    Box box{std::string(head.substr(1, close - 1)), std::string(head.substr(close + 2)), {}};
    const std::size_t end = next <= text.size() ? TextEnd(text, next) : std::string_view::npos;
    if (next <= text.size())
      box.text = std::string(text.substr(next, end == std::string_view::npos ? end : end - next));
    boxes.push_back(box);
    if (end == std::string_view::npos) break;
    at = end + 2;
  }
  return boxes;
}

void PrintTo(const Box& box, std::ostream* out) {
  *out << "[" << box.caption << "] " << box.icon << "\n" << box.text << "\n";
}

BoxCapture::BoxCapture() { testing::internal::CaptureStderr(); }

BoxCapture::~BoxCapture() {
  if (running_) testing::internal::GetCapturedStderr();
}

std::vector<Box> BoxCapture::Stop() {
  if (running_) {
    raw_ = testing::internal::GetCapturedStderr();
    running_ = false;
  }
  return ParseBoxes(raw_);
}

}  // namespace testsupport
