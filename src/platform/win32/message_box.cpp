#include "platform/message_box.h"

#include <windows.h>

namespace spinstall::platform {

void ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) {
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace spinstall::platform
