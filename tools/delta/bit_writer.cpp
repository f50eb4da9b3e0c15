#include "delta/bit_writer.h"

#include <utility>

namespace delta {

void BitWriter::Put(std::uint32_t value, unsigned count) {
  if (count == 0) return;
  pending_ = (pending_ << count) | (value & ((1u << count) - 1));
  pending_ &= (std::uint64_t{1} << (filled_ + count)) - 1;
  filled_ += count;
  while (filled_ >= 16) {
    const auto word = static_cast<std::uint32_t>(pending_ >> (filled_ - 16)) & 0xFFFF;
    bytes_.push_back(static_cast<std::uint8_t>(word));
    bytes_.push_back(static_cast<std::uint8_t>(word >> 8));
    filled_ -= 16;
  }
}

void BitWriter::Align() {
  if (filled_ % 16 != 0) Put(0, 16 - filled_ % 16);
}

std::vector<std::uint8_t> BitWriter::Take() {
  pending_ = 0;
  filled_ = 0;
  return std::exchange(bytes_, {});
}

}  // namespace delta
