#include "platform/message_box.h"

#include <windows.h>

#include "platform/win32/system_library.h"

namespace spinstall::platform {

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) {
  // The boxes take no typed text, so the process needs no input method. Without
  // one, Wine's imm32 also never delay-loads ole32, which Wine resolves with the
  // program's folder first (Windows maps ole32, a KnownDLL, from System32).
  using DisableImeFn = BOOL(WINAPI*)(DWORD);
  static const bool noIme = [] {
    const auto disable = win32::SystemFunction<DisableImeFn>(L"imm32.dll", "ImmDisableIME");
    return disable && disable(static_cast<DWORD>(-1));
  }();
  (void)noIme;
  using MessageBoxFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
  static const auto messageBox = win32::SystemFunction<MessageBoxFn>(L"user32.dll", "MessageBoxW");
  return messageBox ? messageBox(nullptr, text.c_str(), caption.c_str(), style) : 0;
}

}  // namespace spinstall::platform
