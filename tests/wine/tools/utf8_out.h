// UTF-8 output on standard output for the test-only Windows tools: the bytes
// reach a redirected Unix file unchanged under Wine, whatever the locale.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace wine_tools {

inline std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

inline void Write(std::wstring_view text) {
  const std::string bytes = ToUtf8(text);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

}  // namespace wine_tools
