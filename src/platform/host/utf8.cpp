#include "platform/host/utf8.h"

#include <cstdint>

namespace spinstall::platform::host {

std::wstring Widen(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t extra = 0;
    std::uint32_t code = lead;
    if (lead >= 0xF0 && lead < 0xF8) {
      extra = 3;
      code = lead & 0x07;
    } else if (lead >= 0xE0) {
      extra = 2;
      code = lead & 0x0F;
    } else if (lead >= 0xC0) {
      extra = 1;
      code = lead & 0x1F;
    }
    // Continuation bytes (0x80-0xBF) and 0xF8-0xFF cannot lead a character.
    bool valid = lead < 0x80 || (extra > 0 && lead < 0xF8);
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (!valid) {
      out.push_back(static_cast<wchar_t>(0xFFFD));  // a malformed byte reads as U+FFFD
      ++i;
      continue;
    }
    out.push_back(static_cast<wchar_t>(code));
    i += extra + 1;
  }
  return out;
}

std::string Narrow(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t wc : wide) {
    auto code = static_cast<std::uint32_t>(wc);
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

}  // namespace spinstall::platform::host
