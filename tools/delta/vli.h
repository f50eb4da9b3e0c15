// The container's variable-length integers: groups of 7 bits, lowest
// first, bit 7 set on the last byte. The signed form gives its first byte 6
// bits and a sign flag (0x40): sign and magnitude.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace delta {

void PutUnsigned(std::vector<std::uint8_t>& out, std::uint64_t value);
void PutSigned(std::vector<std::uint8_t>& out, std::int64_t value);

// Reads at `at` and advances it; false when the bytes end first or the
// value does not fit 63 bits.
bool ReadUnsigned(const std::uint8_t* data, std::size_t size, std::size_t& at,
                  std::uint64_t& value);
bool ReadSigned(const std::uint8_t* data, std::size_t size, std::size_t& at, std::int64_t& value);

}  // namespace delta
