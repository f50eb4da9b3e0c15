// Reads the bits BitWriter writes, from one chunk of the stream, refusing
// any read past its end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace delta {

class BitReader {
 public:
  BitReader() = default;
  BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // The next `count` bits (count <= 16) without consuming them; past the
  // end they read as zeros.
  std::uint32_t Peek(unsigned count);
  // Consumes bits; false when that goes past the end (the reader is then
  // exhausted for good).
  bool Skip(unsigned count);
  // Reads `count` bits (<= 24); false past the end.
  bool Read(unsigned count, std::uint32_t& value);
  // Every byte consumed (the rest of the last word being padding).
  bool AtEnd() const { return next_ >= size_ && !failed_; }

 private:
  void Fill();

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t next_ = 0;      // the next byte to load
  std::uint64_t buffer_ = 0;  // the next bits at the top of the low `held_` bits
  unsigned held_ = 0;         // bits loaded from real words
  bool failed_ = false;
};

}  // namespace delta
