// Bits most significant first, packed into little-endian 16-bit words, as
// the compressed stream is read.
#pragma once

#include <cstdint>
#include <vector>

namespace delta {

class BitWriter {
 public:
  // Appends the low `count` bits of `value` (count <= 24).
  void Put(std::uint32_t value, unsigned count);
  // Pads with zero bits to the next 16-bit boundary.
  void Align();
  // The words written so far (after Align, every bit).
  std::vector<std::uint8_t> Take();

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t pending_ = 0;  // the low `filled_` bits are the next ones out
  unsigned filled_ = 0;
};

}  // namespace delta
