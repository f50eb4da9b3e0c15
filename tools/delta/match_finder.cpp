#include "delta/match_finder.h"

#include <algorithm>
#include <cstring>

#include "delta/lzxd_format.h"

namespace delta {
namespace {

constexpr unsigned kChainDepth = 48;
// A match this long is taken without looking for a longer one.
constexpr unsigned kGoodEnough = 96;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

struct Candidate {
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
  int gain = 0;  // estimated bits saved against literals
};

// Bits a match is estimated to cost: its main symbol, a length symbol past
// the length header's range, and the offset's footer.
int MatchCost(std::uint32_t length, unsigned footer_bits) {
  return 9 + (length >= 9 ? 5 : 0) + static_cast<int>(footer_bits);
}

class Finder {
 public:
  Finder(const std::vector<std::uint8_t>& old_file, const std::vector<std::uint8_t>& new_file,
         std::uint32_t window)
      : window_(window) {
    data_.reserve(old_file.size() + new_file.size() + 8);
    data_.insert(data_.end(), old_file.begin(), old_file.end());
    data_.insert(data_.end(), new_file.begin(), new_file.end());
    end_ = static_cast<std::uint32_t>(data_.size());
    data_.resize(data_.size() + 8, 0);  // lets comparisons read whole words
    unsigned bits = 16;
    while (bits < 24 && (1u << bits) < end_) ++bits;
    hash_shift_ = 32 - bits;
    head_.assign(std::size_t{1} << bits, kNone);
    previous_.assign(end_, kNone);
  }

  std::vector<Token> Parse(std::uint32_t start) {
    for (std::uint32_t p = 0; p < start; ++p) Insert(p);
    std::vector<Token> tokens;
    std::uint32_t p = start;
    while (p < end_) {
      const std::uint32_t chunk_end = std::min<std::uint64_t>(
          end_, start + (std::uint64_t{p - start} / kChunkSize + 1) * kChunkSize);
      const std::uint32_t room = std::min<std::uint32_t>(chunk_end - p, kLongestMatch);
      Candidate best = Best(p, room);
      if (best.length != 0 && best.length < kGoodEnough && room > 1) {
        const Candidate next = Best(p + 1, std::min<std::uint32_t>(room - 1, kLongestMatch));
        if (next.gain > best.gain + 8) best = Candidate{};
      }
      if (best.length == 0) {
        tokens.push_back({0, data_[p]});
        Insert(p++);
        continue;
      }
      tokens.push_back({best.length, Formatted(best.offset)});
      for (std::uint32_t i = 0; i < best.length; ++i) Insert(p + i);
      p += best.length;
    }
    return tokens;
  }

 private:
  std::uint32_t Hash(std::uint32_t p) const {
    std::uint32_t word;
    std::memcpy(&word, &data_[p], 4);
    return (word * 2654435761u) >> hash_shift_;
  }

  void Insert(std::uint32_t p) {
    if (p + 4 > end_) return;
    const std::uint32_t h = Hash(p);
    previous_[p] = head_[h];
    head_[h] = p;
  }

  // How far data at `a` repeats data at `b` (b < a), up to `limit`.
  std::uint32_t Extent(std::uint32_t a, std::uint32_t b, std::uint32_t limit) const {
    std::uint32_t n = 0;
    while (n < limit) {
      std::uint64_t x, y;
      std::memcpy(&x, &data_[a + n], 8);
      std::memcpy(&y, &data_[b + n], 8);
      if (x != y)
        return std::min(limit, n + static_cast<std::uint32_t>(__builtin_ctzll(x ^ y) / 8));
      n += 8;
    }
    return limit;
  }

  Candidate Best(std::uint32_t p, std::uint32_t room) const {
    Candidate best;
    if (room < kMinMatch) return best;
    for (unsigned r = 0; r < 3; ++r) {
      const std::uint32_t offset = repeated_[r];
      if (offset > p) continue;
      const std::uint32_t length = Extent(p, p - offset, room);
      if (length < kMinMatch) continue;
      const int gain = static_cast<int>(length) * 8 - MatchCost(length, 0) + (r == 0 ? 1 : 0);
      if (gain > best.gain) best = {length, offset, gain};
    }
    if (best.length >= kGoodEnough || room < 3 || p + 4 > end_) return best;
    std::uint32_t candidate = head_[Hash(p)];
    for (unsigned depth = 0; depth < kChainDepth && candidate != kNone; ++depth) {
      const std::uint32_t offset = p - candidate;
      if (offset > window_ - 3) break;  // chains run back in position: all further ones are too
      if (best.length < room && data_[candidate + best.length] == data_[p + best.length]) {
        const std::uint32_t length = Extent(p, candidate, room);
        if (length >= 3) {
          const int gain =
              static_cast<int>(length) * 8 - MatchCost(length, FooterBits(SlotOf(offset + 2)));
          if (gain > best.gain) {
            best = {length, offset, gain};
            if (length >= kGoodEnough || length == room) break;
          }
        }
      }
      candidate = previous_[candidate];
    }
    return best;
  }

  // The formatted offset of a match, updating the repeated offsets as the
  // decoder will.
  std::uint32_t Formatted(std::uint32_t offset) {
    if (offset == repeated_[0]) return 0;
    if (offset == repeated_[1]) {
      std::swap(repeated_[0], repeated_[1]);
      return 1;
    }
    if (offset == repeated_[2]) {
      std::swap(repeated_[0], repeated_[2]);
      return 2;
    }
    repeated_[2] = repeated_[1];
    repeated_[1] = repeated_[0];
    repeated_[0] = offset;
    return offset + 2;
  }

  std::vector<std::uint8_t> data_;
  std::uint32_t end_ = 0;
  std::uint32_t window_;
  unsigned hash_shift_ = 0;
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> previous_;
  std::uint32_t repeated_[3] = {1, 1, 1};
};

}  // namespace

std::vector<Token> ParseAgainst(const std::vector<std::uint8_t>& old_file,
                                const std::vector<std::uint8_t>& new_file, std::uint32_t window) {
  Finder finder(old_file, new_file, window);
  return finder.Parse(static_cast<std::uint32_t>(old_file.size()));
}

}  // namespace delta
