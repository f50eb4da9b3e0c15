// How the installer service hands text to a caller's buffer, for the services
// that stand in for it (the host stand-in, test and fuzz fakes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/error_codes.h"

namespace spinstall::installer {

// The whole text and 0, or as much as fits (terminated) and 234 with the
// length needed; `count` is the buffer's size on entry, the text's length on
// return.
inline std::uint32_t AnswerText(const std::wstring& value, wchar_t* buffer, std::uint32_t& count) {
  const std::uint32_t capacity = count;
  count = static_cast<std::uint32_t>(value.size());
  if (buffer && capacity > 0) {
    const std::size_t n = std::min<std::size_t>(value.size(), capacity - 1);
    std::copy_n(value.data(), n, buffer);
    buffer[n] = L'\0';
  }
  return value.size() < capacity ? platform::kErrorSuccess : platform::kErrorMoreData;
}

}  // namespace spinstall::installer
