// Appending little-endian integers to a byte string, as every stream of an
// installer package stores them.
#pragma once

#include <cstdint>
#include <string>

namespace msptool {

inline void PutU16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace msptool
