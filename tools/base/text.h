// Text helpers every layer of msp_tool uses for its values and messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

// The parts of `text` between separators ("" gives one empty part).
std::vector<std::string> Split(const std::string& text, char separator);

// `value` in double quotes, as every message names a value.
std::string Quoted(const std::string& value);

// `value` as "0x" and at least `digits` upper-case hexadecimal digits.
std::string Hex(std::uint32_t value, int digits);

// Every byte below 0x80.
bool IsAscii(const std::string& text);
// Every byte from 0x20 to 0x7E.
bool IsPrintableAscii(const std::string& text);

}  // namespace msptool
