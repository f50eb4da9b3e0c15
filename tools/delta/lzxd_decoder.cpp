#include "delta/lzxd_decoder.h"

#include <algorithm>
#include <utility>

#include "delta/bit_reader.h"
#include "delta/huffman.h"
#include "delta/lzxd_format.h"

namespace delta {
namespace {

bool ReadLengths(BitReader& bits, std::uint8_t* lengths, std::size_t count) {
  std::vector<std::uint8_t> pretree(kPretreeSymbols);
  for (auto& length : pretree) {
    std::uint32_t value;
    if (!bits.Read(4, value)) return false;
    length = static_cast<std::uint8_t>(value);
  }
  HuffmanDecoder decoder;
  if (!decoder.Build(pretree)) return false;
  for (std::size_t i = 0; i < count;) {
    unsigned symbol;
    if (!decoder.Decode(bits, symbol)) return false;
    if (symbol <= 16) {
      lengths[i] = static_cast<std::uint8_t>((lengths[i] + 17 - symbol) % 17);
      ++i;
      continue;
    }
    std::uint32_t extra;
    std::size_t run;
    std::uint8_t value = 0;
    if (symbol == 17) {
      if (!bits.Read(4, extra)) return false;
      run = 4 + extra;
    } else if (symbol == 18) {
      if (!bits.Read(5, extra)) return false;
      run = 20 + extra;
    } else {
      unsigned same;
      if (!bits.Read(1, extra) || !decoder.Decode(bits, same) || same > 16) return false;
      run = 4 + extra;
      value = static_cast<std::uint8_t>((lengths[i] + 17 - same) % 17);
    }
    if (run > count - i) return false;
    std::fill_n(lengths + i, run, value);
    i += run;
  }
  return true;
}

class Decoder {
 public:
  Decoder(const std::uint8_t* stream, std::size_t size, std::uint32_t window)
      : stream_(stream),
        size_(size),
        window_(window),
        main_lengths_(kLiterals + PositionSlots(window) * kLengthHeaders, 0),
        length_lengths_(kLengthSymbols, 0) {}

  StreamRead Run(std::vector<std::uint8_t>& buffer, std::size_t start) {
    buffer_ = &buffer;
    position_ = start;
    bool first = true;
    while (position_ < buffer.size() || first) {
      if (!OpenChunk()) return StreamRead::Malformed;
      if (first) {
        std::uint32_t e8;
        if (!bits_.Read(1, e8)) return StreamRead::Malformed;
        if (e8 != 0) return StreamRead::Unsupported;
        first = false;
      }
      const std::size_t chunk_end =
          std::min(buffer.size(), start + ((position_ - start) / kChunkSize + 1) * kChunkSize);
      while (position_ < chunk_end) {
        if (block_left_ == 0) {
          const StreamRead header = BlockHeader();
          if (header != StreamRead::Decoded) return header;
        }
        if (!Token(chunk_end)) return StreamRead::Malformed;
      }
    }
    return next_ == size_ ? StreamRead::Decoded : StreamRead::Malformed;
  }

 private:
  bool OpenChunk() {
    if (size_ - next_ < 2) return false;
    const std::size_t bytes = stream_[next_] | (stream_[next_ + 1] << 8);
    next_ += 2;
    if (size_ - next_ < bytes) return false;
    bits_ = BitReader(stream_ + next_, bytes);
    next_ += bytes;
    return true;
  }

  StreamRead BlockHeader() {
    std::uint32_t type, bytes;
    if (!bits_.Read(3, type) || !bits_.Read(24, bytes)) return StreamRead::Malformed;
    if (type != kBlockVerbatim && type != kBlockAligned)
      return type == 3 ? StreamRead::Unsupported : StreamRead::Malformed;
    if (bytes == 0) return StreamRead::Malformed;
    aligned_block_ = type == kBlockAligned;
    if (aligned_block_) {
      std::vector<std::uint8_t> lengths(8);
      for (auto& length : lengths) {
        std::uint32_t value;
        if (!bits_.Read(3, value)) return StreamRead::Malformed;
        length = static_cast<std::uint8_t>(value);
      }
      if (!aligned_.Build(lengths)) return StreamRead::Malformed;
    }
    if (!ReadLengths(bits_, main_lengths_.data(), kLiterals) ||
        !ReadLengths(bits_, main_lengths_.data() + kLiterals, main_lengths_.size() - kLiterals) ||
        !ReadLengths(bits_, length_lengths_.data(), kLengthSymbols) ||
        !main_.Build(main_lengths_) || !length_.Build(length_lengths_))
      return StreamRead::Malformed;
    block_left_ = bytes;
    return StreamRead::Decoded;
  }

  bool Token(std::size_t chunk_end) {
    std::vector<std::uint8_t>& out = *buffer_;
    unsigned symbol;
    if (!main_.Decode(bits_, symbol)) return false;
    if (symbol < kLiterals) {
      out[position_++] = static_cast<std::uint8_t>(symbol);
      --block_left_;
      return true;
    }
    symbol -= kLiterals;
    std::uint32_t length = (symbol & 7) + kMinMatch;
    if ((symbol & 7) == 7) {
      unsigned footer;
      if (!length_.Decode(bits_, footer)) return false;
      length += footer;
    }
    const unsigned slot = symbol >> 3;
    std::uint32_t offset;
    if (slot < 3) {
      offset = repeated_[slot];
      std::swap(repeated_[0], repeated_[slot]);
    } else {
      const unsigned footer_bits = FooterBits(slot);
      std::uint32_t footer = 0;
      if (aligned_block_ && footer_bits >= 3) {
        unsigned low;
        if (!bits_.Read(footer_bits - 3, footer) || !aligned_.Decode(bits_, low)) return false;
        footer = (footer << 3) | low;
      } else if (!bits_.Read(footer_bits, footer)) {
        return false;
      }
      offset = SlotBase(slot) + footer - 2;
      repeated_[2] = repeated_[1];
      repeated_[1] = repeated_[0];
      repeated_[0] = offset;
    }
    if (length == kLongestPlainMatch && !ExtendedLength(length)) return false;
    if (offset == 0 || offset > position_ || offset > window_ - 3 ||
        length > chunk_end - position_ || length > block_left_)
      return false;
    for (std::uint32_t i = 0; i < length; ++i, ++position_)
      out[position_] = out[position_ - offset];
    block_left_ -= length;
    return true;
  }

  // A match of the longest plain length carries 8, 10, 12 or 15 more bits.
  bool ExtendedLength(std::uint32_t& length) {
    std::uint32_t prefix, extra;
    if (!bits_.Read(1, prefix)) return false;
    if (prefix == 0) {
      if (!bits_.Read(8, extra)) return false;
    } else {
      if (!bits_.Read(1, prefix)) return false;
      if (prefix == 0) {
        if (!bits_.Read(10, extra)) return false;
        extra += 256;
      } else {
        if (!bits_.Read(1, prefix)) return false;
        if (prefix == 0) {
          if (!bits_.Read(12, extra)) return false;
          extra += 1280;
        } else if (!bits_.Read(15, extra)) {
          return false;
        }
      }
    }
    length += extra;
    return true;
  }

  const std::uint8_t* stream_;
  std::size_t size_;
  std::size_t next_ = 0;  // the next chunk's size field
  std::uint32_t window_;
  BitReader bits_;
  std::vector<std::uint8_t>* buffer_ = nullptr;
  std::size_t position_ = 0;
  std::uint32_t block_left_ = 0;
  bool aligned_block_ = false;
  std::vector<std::uint8_t> main_lengths_;
  std::vector<std::uint8_t> length_lengths_;
  HuffmanDecoder main_, length_, aligned_;
  std::uint32_t repeated_[3] = {1, 1, 1};
};

}  // namespace

StreamRead DecodeStream(const std::uint8_t* stream, std::size_t size,
                        const std::vector<std::uint8_t>& old_file, std::uint32_t new_size,
                        std::vector<std::uint8_t>& out) {
  const std::uint32_t window = WindowSize(old_file.size(), new_size);
  if (window == 0) return StreamRead::Unsupported;
  std::vector<std::uint8_t> buffer(old_file.size() + std::size_t{new_size});
  std::copy(old_file.begin(), old_file.end(), buffer.begin());
  Decoder decoder(stream, size, window);
  const StreamRead read = decoder.Run(buffer, old_file.size());
  if (read == StreamRead::Decoded)
    out.assign(buffer.begin() + static_cast<std::ptrdiff_t>(old_file.size()), buffer.end());
  return read;
}

}  // namespace delta
