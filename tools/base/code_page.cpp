#include "base/code_page.h"

#include <array>

#include "base/text.h"

namespace msptool {
namespace {

// Code page 1252's bytes 0x80-0x9F; 0 where it defines no character. The
// rest above 0x7F are U+00A0-U+00FF.
constexpr std::array<char32_t, 32> kWestern80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The characters of UTF-8 `text`; false when it is not well-formed UTF-8.
bool Characters(const std::string& text, std::u32string& out) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80       ? 1
                               : lead >> 5 == 6  ? 2
                               : lead >> 4 == 14 ? 3
                               : lead >> 3 == 30 ? 4
                                                 : 0;
    if (length == 0 || i + length > text.size()) return false;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no text.
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
    out.push_back(c);
    i += length;
  }
  return true;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  const int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  out.push_back(static_cast<char>(kLead[length] | (c >> (6 * (length - 1)))));
  for (int k = length - 2; k >= 0; --k)
    out.push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
}

}  // namespace

bool IsSupportedCodePage(std::uint32_t codePage) {
  return codePage == kNeutralCodePage || codePage == kWesternCodePage || codePage == kUtf8CodePage;
}

bool EncodeText(const std::string& utf8, std::uint32_t codePage, std::string& out) {
  std::u32string characters;
  if (!Characters(utf8, characters) || !IsSupportedCodePage(codePage)) return false;
  if (codePage == kUtf8CodePage) {
    out = utf8;
    return true;
  }
  std::string encoded;
  for (const char32_t c : characters) {
    if (c < 0x80) {
      encoded.push_back(static_cast<char>(c));
      continue;
    }
    if (codePage == kNeutralCodePage) return false;
    if (c >= 0xA0 && c <= 0xFF) {
      encoded.push_back(static_cast<char>(c));
      continue;
    }
    std::size_t at = 0;
    while (at < kWestern80.size() && kWestern80[at] != c) ++at;
    if (at == kWestern80.size()) return false;
    encoded.push_back(static_cast<char>(0x80 + at));
  }
  out = std::move(encoded);
  return true;
}

bool DecodeText(const std::string& stored, std::uint32_t codePage, std::string& out) {
  if (IsAscii(stored)) {
    out = stored;
    return true;
  }
  if (codePage == kUtf8CodePage) {
    std::u32string ignored;
    if (!Characters(stored, ignored)) return false;
    out = stored;
    return true;
  }
  if (codePage != kWesternCodePage) return false;
  std::string decoded;
  for (const char byte : stored) {
    const auto b = static_cast<unsigned char>(byte);
    const char32_t c = b < 0x80 || b >= 0xA0 ? b : kWestern80[b - 0x80];
    if (c == 0) return false;
    AppendUtf8(c, decoded);
  }
  out = std::move(decoded);
  return true;
}

bool CodePageHolding(const std::vector<std::string>& texts,
                     const std::vector<std::uint32_t>& candidates, std::uint32_t& codePage,
                     std::string& unheld) {
  for (const std::uint32_t candidate : candidates) {
    bool holds = true;
    std::string ignored;
    for (const auto& text : texts) {
      if (EncodeText(text, candidate, ignored)) continue;
      holds = false;
      unheld = text;
      break;
    }
    if (holds) {
      codePage = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace msptool
