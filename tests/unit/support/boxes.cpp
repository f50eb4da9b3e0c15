#include "support/boxes.h"

#include <gtest/gtest.h>

namespace testsupport {

std::vector<Box> ParseBoxes(const std::string& text) {
  std::vector<Box> boxes;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto eol = text.find('\n', at);
    const std::string head =
        text.substr(at, eol == std::string::npos ? std::string::npos : eol - at);
    const auto close = head.rfind("] ");
    if (head.empty() || head[0] != '[' || close == std::string::npos) {
      // Not a box (another message on standard error): skip the line.
      if (eol == std::string::npos) break;
      at = eol + 1;
      continue;
    }
    Box box{head.substr(1, close - 1), head.substr(close + 2), {}};
    const auto end = text.find("\n\n", eol);
    const std::size_t textStart = eol + 1;
    box.text =
        text.substr(textStart, end == std::string::npos ? std::string::npos : end - textStart);
    boxes.push_back(box);
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return boxes;
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
