// The host build shows a box as a block of text on standard error: a line
// "[caption] icon", the text, then an empty line. Nobody can press a button:
// a Yes/No box is answered Yes only when SPINSTALL_ANSWER is "yes".
#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/utf8.h"

namespace spinstall::platform {

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) {
  const char* icon = "none";
  switch (style & 0xF0) {
    case kIconStop:
      icon = "error";
      break;
    case kIconQuestion:
      icon = "question";
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
  if ((style & 0xF) != kButtonsYesNo) return kAnswerOk;
  const char* answer = std::getenv("SPINSTALL_ANSWER");
  return answer && std::strcmp(answer, "yes") == 0 ? kAnswerYes : kAnswerNo;
}

}  // namespace spinstall::platform
