#include "delta/huffman.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

namespace delta {
namespace {

// Unlimited Huffman path lengths; ties broken by node number, so the same
// frequencies always give the same tree.
std::vector<std::uint8_t> PlainLengths(const std::vector<std::uint32_t>& frequencies) {
  using Node = std::pair<std::uint64_t, std::uint32_t>;  // weight, node number
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> queue;
  const auto symbols = static_cast<std::uint32_t>(frequencies.size());
  std::vector<std::uint32_t> parent(symbols, 0);
  for (std::uint32_t s = 0; s < symbols; ++s)
    if (frequencies[s] != 0) queue.push({frequencies[s], s});
  while (queue.size() > 1) {
    const Node a = queue.top();
    queue.pop();
    const Node b = queue.top();
    queue.pop();
    const auto joined = static_cast<std::uint32_t>(parent.size());
    parent.push_back(0);
    parent[a.second] = joined;
    parent[b.second] = joined;
    queue.push({a.first + b.first, joined});
  }
  // Depth of each node: the root is the last one made; parents come after
  // their children, so one backward pass suffices.
  std::vector<std::uint8_t> depth(parent.size(), 0);
  for (std::size_t node = parent.size() - 1; node-- > 0;)
    if (node >= symbols || frequencies[node] != 0)
      depth[node] = static_cast<std::uint8_t>(depth[parent[node]] + 1);
  depth.resize(symbols);
  return depth;
}

}  // namespace

std::vector<std::uint8_t> CodeLengths(const std::vector<std::uint32_t>& frequencies,
                                      unsigned limit) {
  std::vector<std::uint32_t> weights = frequencies;
  std::size_t used = static_cast<std::size_t>(
      std::count_if(weights.begin(), weights.end(), [](auto w) { return w != 0; }));
  for (std::size_t s = 0; s < weights.size() && used < 2; ++s)
    if (weights[s] == 0) {
      weights[s] = 1;
      ++used;
    }
  for (;;) {
    std::vector<std::uint8_t> lengths = PlainLengths(weights);
    if (*std::max_element(lengths.begin(), lengths.end()) <= limit) return lengths;
    // Flatten the distribution until the deepest code fits.
    for (auto& w : weights)
      if (w != 0) w = (w >> 1) | 1;
  }
}

std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
  std::uint32_t count[kMaxCodeLength + 1] = {};
  for (auto length : lengths) ++count[length];
  count[0] = 0;
  std::uint32_t next[kMaxCodeLength + 2] = {};
  for (unsigned length = 1; length <= kMaxCodeLength; ++length)
    next[length + 1] = (next[length] + count[length]) << 1;
  std::vector<std::uint16_t> codes(lengths.size(), 0);
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] != 0) codes[s] = static_cast<std::uint16_t>(next[lengths[s]]++);
  return codes;
}

bool HuffmanDecoder::Build(const std::vector<std::uint8_t>& lengths) {
  std::fill(std::begin(count_), std::end(count_), 0);
  for (auto length : lengths) {
    if (length > kMaxCodeLength) return false;
    ++count_[length];
  }
  count_[0] = 0;
  std::int64_t left = 1;
  std::uint32_t code = 0, position = 0;
  for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
    left = left * 2 - count_[length];
    if (left < 0) return false;
    first_[length] = code;
    start_[length] = position;
    code = (code + count_[length]) << 1;
    position += count_[length];
  }
  sorted_.assign(position, 0);
  std::uint32_t fill[kMaxCodeLength + 1];
  std::copy(std::begin(start_), std::end(start_), fill);
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] != 0) sorted_[fill[lengths[s]]++] = static_cast<std::uint16_t>(s);
  table_.assign(1u << kTableBits, 0);
  for (unsigned length = 1; length <= kTableBits; ++length)
    for (std::uint32_t i = 0; i < count_[length]; ++i) {
      const std::uint32_t prefix = (first_[length] + i) << (kTableBits - length);
      const std::uint32_t entry = (std::uint32_t{sorted_[start_[length] + i]} << 5) | length;
      std::fill_n(table_.begin() + prefix, 1u << (kTableBits - length), entry);
    }
  return true;
}

bool HuffmanDecoder::Decode(BitReader& bits, unsigned& symbol) const {
  const std::uint32_t entry = table_[bits.Peek(kTableBits)];
  if (entry != 0) {
    symbol = entry >> 5;
    return bits.Skip(entry & 31);
  }
  const std::uint32_t window = bits.Peek(kMaxCodeLength);
  for (unsigned length = kTableBits + 1; length <= kMaxCodeLength; ++length) {
    const std::uint32_t code = window >> (kMaxCodeLength - length);
    if (code - first_[length] < count_[length]) {
      symbol = sorted_[start_[length] + code - first_[length]];
      return bits.Skip(length);
    }
  }
  return false;
}

}  // namespace delta
