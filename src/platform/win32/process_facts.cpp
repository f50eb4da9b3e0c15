#include "platform/process_facts.h"

#include <windows.h>

namespace spinstall::platform {

LocalTime CurrentLocalTime() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void SleepSeconds(std::uint32_t seconds) { ::Sleep(seconds * 1000); }

std::uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

std::wstring RawCommandLine() { return ::GetCommandLineW(); }

std::wstring SystemMessageText(std::uint32_t code) {
  wchar_t buffer[512];
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       buffer, static_cast<DWORD>(sizeof buffer / sizeof buffer[0]), nullptr);
  std::wstring text(buffer, length);
  // The system's texts end in a line break.
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return text;
}

}  // namespace spinstall::platform
