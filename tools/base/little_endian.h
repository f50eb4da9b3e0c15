// Little-endian integers, as every stream of an installer package and every
// property set stores them: appended to a byte string, or read from one. A
// reader's caller checks that the bytes are there.
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

// The `size` bytes (at most 4) at `at`.
inline std::uint32_t GetLE(const std::string& bytes, std::size_t at, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = size; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

inline std::uint32_t GetU16(const std::string& bytes, std::size_t at) {
  return GetLE(bytes, at, 2);
}

inline std::uint32_t GetU32(const std::string& bytes, std::size_t at) {
  return GetLE(bytes, at, 4);
}

}  // namespace msptool
