#include "delta/vli.h"

namespace delta {
namespace {

constexpr unsigned kMaxGroups = 10;

// `value` in groups of 7 bits, the last marked.
void PutRest(std::vector<std::uint8_t>& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value & 0x7F));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value | 0x80));
}

// Reads groups until the one with bit 7, the first one holding `first_bits`.
bool ReadGroups(const std::uint8_t* data, std::size_t size, std::size_t& at, unsigned first_bits,
                std::uint8_t& first, std::uint64_t& value) {
  value = 0;
  unsigned shift = 0;
  for (unsigned group = 0; group < kMaxGroups; ++group) {
    if (at >= size) return false;
    const std::uint8_t byte = data[at++];
    if (group == 0) first = byte;
    const unsigned bits = group == 0 ? first_bits : 7;
    const std::uint64_t part = byte & ((1u << bits) - 1);
    if (shift >= 63 || (part >> (63 - shift)) != 0) return false;
    value |= part << shift;
    shift += bits;
    if (byte & 0x80) return true;
  }
  return false;
}

}  // namespace

void PutUnsigned(std::vector<std::uint8_t>& out, std::uint64_t value) { PutRest(out, value); }

void PutSigned(std::vector<std::uint8_t>& out, std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::uint8_t first = static_cast<std::uint8_t>((magnitude & 0x3F) | (negative ? 0x40 : 0));
  if (magnitude < 0x40) {
    out.push_back(static_cast<std::uint8_t>(first | 0x80));
    return;
  }
  out.push_back(first);
  PutRest(out, magnitude >> 6);
}

bool ReadUnsigned(const std::uint8_t* data, std::size_t size, std::size_t& at,
                  std::uint64_t& value) {
  std::uint8_t first = 0;
  return ReadGroups(data, size, at, 7, first, value);
}

bool ReadSigned(const std::uint8_t* data, std::size_t size, std::size_t& at, std::int64_t& value) {
  std::uint8_t first = 0;
  std::uint64_t magnitude;
  if (!ReadGroups(data, size, at, 6, first, magnitude)) return false;
  value =
      (first & 0x40) ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace delta
