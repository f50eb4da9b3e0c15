#include "delta/match_finder.h"

#include <algorithm>
#include <cstring>

namespace delta {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

}  // namespace

MatchFinder::MatchFinder(const std::vector<std::uint8_t>& old_file,
                         const std::vector<std::uint8_t>& new_file, std::uint32_t window)
    : window_(window) {
  data_.reserve(old_file.size() + new_file.size() + 8);
  data_.insert(data_.end(), old_file.begin(), old_file.end());
  data_.insert(data_.end(), new_file.begin(), new_file.end());
  end_ = static_cast<std::uint32_t>(data_.size());
  data_.resize(data_.size() + 8, 0);  // lets comparisons read whole words
  unsigned bits = 12;                 // a head table as large as the data, from 4096 entries up
  while (bits < 24 && (1u << bits) < end_) ++bits;
  hash_shift_ = 32 - bits;
  head_.assign(std::size_t{1} << bits, kNone);
  previous_.assign(end_, kNone);
}

std::uint32_t MatchFinder::Hash(std::uint32_t p) const {
  std::uint32_t word;
  std::memcpy(&word, &data_[p], 4);
  return (word * 2654435761u) >> hash_shift_;
}

void MatchFinder::Insert(std::uint32_t p) {
  if (p + 4 > end_) return;
  const std::uint32_t h = Hash(p);
  previous_[p] = head_[h];
  head_[h] = p;
}

std::uint32_t MatchFinder::Extent(std::uint32_t p, std::uint32_t offset,
                                  std::uint32_t limit) const {
  const std::uint32_t b = p - offset;
  std::uint32_t n = 0;
  while (n < limit) {
    std::uint64_t x, y;
    std::memcpy(&x, &data_[p + n], 8);
    std::memcpy(&y, &data_[b + n], 8);
    if (x != y) return std::min(limit, n + static_cast<std::uint32_t>(__builtin_ctzll(x ^ y) / 8));
    n += 8;
  }
  return limit;
}

void MatchFinder::Find(std::uint32_t p, std::uint32_t room, std::uint32_t shorter,
                       std::uint32_t enough, unsigned depth, std::vector<Match>& found) const {
  found.clear();
  std::uint32_t longest = std::max<std::uint32_t>(shorter, 2);
  if (room <= longest || p + 4 > end_) return;
  std::uint32_t candidate = head_[Hash(p)];
  for (; depth > 0 && candidate != kNone; --depth) {
    const std::uint32_t offset = p - candidate;
    if (offset > window_ - 3) break;  // chains run back in position: all further ones are too
    if (data_[candidate + longest] == data_[p + longest]) {
      const std::uint32_t length = Extent(p, offset, room);
      if (length > longest) {
        found.push_back({length, offset});
        longest = length;
        if (length >= enough || length == room) return;
      }
    }
    candidate = previous_[candidate];
  }
}

}  // namespace delta
