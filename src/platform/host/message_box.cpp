// The host build shows a box as a block of text on standard error: a line
// "[caption] icon", the text, then an empty line.
#include "platform/message_box.h"

#include <cstdio>

#include "platform/host/utf8.h"

namespace spinstall::platform {

void ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) {
  const char* icon = "none";
  switch (style & 0xF0) {
    case kIconStop:
      icon = "error";
      break;
    case kIconExclamation:
      icon = "warning";
      break;
    case kIconInformation:
      icon = "information";
      break;
  }
  const std::string block =
      "[" + host::Narrow(caption) + "] " + icon + "\n" + host::Narrow(text) + "\n\n";
  std::fwrite(block.data(), 1, block.size(), stderr);
  std::fflush(stderr);
}

}  // namespace spinstall::platform
