// Hash chains over the old file and the new one held after it, as the
// decoder's window holds them: where the bytes at a position occurred
// before, nearest first.
#pragma once

#include <cstdint>
#include <vector>

namespace delta {

struct Match {
  std::uint32_t length;
  std::uint32_t offset;  // back from the position, 1 for the byte before
};

class MatchFinder {
 public:
  MatchFinder(const std::vector<std::uint8_t>& old_file, const std::vector<std::uint8_t>& new_file,
              std::uint32_t window);

  std::uint32_t end() const { return end_; }
  std::uint8_t at(std::uint32_t p) const { return data_[p]; }

  // Positions join the chains in order, each once.
  void Insert(std::uint32_t p);
  // How far the data at `p` repeats the data `offset` before it, up to
  // `limit` bytes.
  std::uint32_t Extent(std::uint32_t p, std::uint32_t offset, std::uint32_t limit) const;
  // Matches at `p` within the window longer than `shorter` (at least 2),
  // each longer than the one before and so further back, from the nearest
  // `depth` earlier positions of the same hash; the search ends at one of
  // `enough` bytes or of `room`, the most a match may take.
  void Find(std::uint32_t p, std::uint32_t room, std::uint32_t shorter, std::uint32_t enough,
            unsigned depth, std::vector<Match>& found) const;

 private:
  std::uint32_t Hash(std::uint32_t p) const;

  std::vector<std::uint8_t> data_;
  std::uint32_t end_ = 0;
  std::uint32_t window_;
  unsigned hash_shift_ = 0;
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> previous_;
};

}  // namespace delta
