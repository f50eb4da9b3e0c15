#include "delta/bit_reader.h"

namespace delta {

void BitReader::Fill() {
  while (held_ <= 32 && next_ + 1 < size_) {
    const std::uint32_t word = data_[next_] | (data_[next_ + 1] << 8);
    buffer_ = (buffer_ << 16) | word;
    held_ += 16;
    next_ += 2;
  }
  if (next_ + 1 == size_) next_ = size_;  // an odd last byte is not a word
}

std::uint32_t BitReader::Peek(unsigned count) {
  if (held_ < count) Fill();
  if (held_ >= count)
    return static_cast<std::uint32_t>(buffer_ >> (held_ - count)) & ((1u << count) - 1);
  return static_cast<std::uint32_t>(buffer_ << (count - held_)) & ((1u << count) - 1);
}

bool BitReader::Skip(unsigned count) {
  if (held_ < count) Fill();
  if (failed_ || held_ < count) {
    failed_ = true;
    return false;
  }
  held_ -= count;
  buffer_ &= (held_ == 0) ? 0 : ((std::uint64_t{1} << held_) - 1);
  return true;
}

bool BitReader::Read(unsigned count, std::uint32_t& value) {
  if (count > 16) {
    std::uint32_t high = 0, low = 0;
    if (!Read(count - 16, high) || !Read(16, low)) return false;
    value = (high << 16) | low;
    return true;
  }
  value = Peek(count);
  return Skip(count);
}

}  // namespace delta
