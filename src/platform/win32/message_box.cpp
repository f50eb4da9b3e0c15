#include "platform/message_box.h"

#include <windows.h>

#include "platform/win32/system_library.h"

namespace spinstall::platform {

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) {
  using MessageBoxFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
  static const auto messageBox = win32::SystemFunction<MessageBoxFn>(L"user32.dll", "MessageBoxW");
  return messageBox ? messageBox(nullptr, text.c_str(), caption.c_str(), style) : 0;
}

}  // namespace spinstall::platform
