#include "platform/host/utf8.h"

#include <cstdint>

namespace spinstall::platform::host {
namespace {

constexpr std::uint32_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF stand for bytes 80..FF

// The character at the start of `bytes` and its length in bytes; 0 when the
// bytes are not a valid shortest-form UTF-8 character.
std::size_t Decode(std::string_view bytes, std::uint32_t& code) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  std::size_t length = 0;
  std::uint32_t least = 0;  // the smallest code of that length: shorter forms are overlong
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, least = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, least = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, least = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return code < least || code > 0x10FFFF || surrogate ? 0 : length;
}

void Encode(std::uint32_t code, std::string& out) {
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

}  // namespace

std::wstring Widen(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    std::uint32_t code = 0;
    std::size_t length = Decode(utf8, code);
    if (length == 0) {
      code = kEscapeBase + static_cast<unsigned char>(utf8[0]);
      length = 1;
    }
    out.push_back(static_cast<wchar_t>(code));
    utf8.remove_prefix(length);
  }
  return out;
}

std::string Narrow(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t wc : wide) {
    auto code = static_cast<std::uint32_t>(wc);
    if (code >= kEscapeBase + 0x80 && code <= kEscapeBase + 0xFF) {
      out.push_back(static_cast<char>(code - kEscapeBase));
      continue;
    }
    // Any other lone surrogate or out-of-range value has no UTF-8 form.
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    Encode(code, out);
  }
  return out;
}

}  // namespace spinstall::platform::host
