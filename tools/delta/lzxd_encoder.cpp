#include "delta/lzxd_encoder.h"

#include <algorithm>

#include "delta/bit_writer.h"
#include "delta/huffman.h"
#include "delta/lzxd_format.h"
#include "delta/symbols.h"
#include "delta/tree_writer.h"

namespace delta {
namespace {

// A block may hold up to 2^24 - 1 bytes: whole chunks, then.
constexpr std::size_t kMaxBlockChunks = 511;

struct Frequencies {
  std::vector<std::uint32_t> main;
  std::vector<std::uint32_t> length;

  void Add(const Frequencies& other) {
    for (std::size_t i = 0; i < main.size(); ++i) main[i] += other.main[i];
    for (std::size_t i = 0; i < length.size(); ++i) length[i] += other.length[i];
  }
};

Frequencies Count(const Token* begin, const Token* end, unsigned main_symbols) {
  Frequencies counts{std::vector<std::uint32_t>(main_symbols, 0),
                     std::vector<std::uint32_t>(kLengthSymbols, 0)};
  for (const Token* t = begin; t != end; ++t) {
    const Symbols symbols = SymbolsOf(*t);
    ++counts.main[symbols.main];
    if (symbols.length >= 0) ++counts.length[static_cast<unsigned>(symbols.length)];
  }
  return counts;
}

// Estimated bits of a block with these counts: its trees (about four bits
// a used symbol, one an unused one) and its symbols.
std::uint64_t Cost(const Frequencies& counts) {
  std::uint64_t bits = 3 * 80 + 27;
  for (const auto* tree : {&counts.main, &counts.length}) {
    const std::vector<std::uint8_t> lengths = CodeLengths(*tree, kMaxCodeLength);
    for (std::size_t s = 0; s < lengths.size(); ++s)
      bits += std::uint64_t{(*tree)[s]} * lengths[s] + (lengths[s] ? 4 : 1);
  }
  return bits;
}

struct Span {
  std::size_t first_chunk, end_chunk;
};

// Chunks merged into one block while its trees cost less than separate ones.
std::vector<Span> PlanBlocks(const std::vector<std::size_t>& chunk_starts,
                             const std::vector<Token>& tokens, unsigned main_symbols, bool merge) {
  std::vector<Span> blocks;
  const std::size_t chunks = chunk_starts.size() - 1;
  if (chunks == 0) return blocks;
  auto chunk_counts = [&](std::size_t c) {
    return Count(tokens.data() + chunk_starts[c], tokens.data() + chunk_starts[c + 1],
                 main_symbols);
  };
  Span current{0, 1};
  Frequencies counts = chunk_counts(0);
  std::uint64_t cost = merge ? Cost(counts) : 0;
  for (std::size_t c = 1; c < chunks; ++c) {
    if (merge && current.end_chunk - current.first_chunk < kMaxBlockChunks) {
      const Frequencies next = chunk_counts(c);
      Frequencies joined = counts;
      joined.Add(next);
      const std::uint64_t joined_cost = Cost(joined);
      if (joined_cost <= cost + Cost(next)) {
        counts = std::move(joined);
        cost = joined_cost;
        current.end_chunk = c + 1;
        continue;
      }
      counts = next;
      cost = Cost(next);
    }
    blocks.push_back(current);
    current = {c, c + 1};
  }
  blocks.push_back(current);
  return blocks;
}

class StreamWriter {
 public:
  StreamWriter(std::uint32_t new_size, unsigned main_symbols)
      : new_size_(new_size), previous_main_(main_symbols, 0), previous_length_(kLengthSymbols, 0) {
    bits_.Put(0, 1);  // no E8 translation
  }

  // False when a chunk would not fit its 16-bit size.
  bool Block(const Token* begin, const Token* end, std::uint32_t bytes) {
    const Frequencies counts = Count(begin, end, static_cast<unsigned>(previous_main_.size()));
    const std::vector<std::uint8_t> main = CodeLengths(counts.main, kMaxCodeLength);
    const std::vector<std::uint8_t> length = CodeLengths(counts.length, kMaxCodeLength);
    bits_.Put(kBlockVerbatim, 3);
    bits_.Put(bytes, 24);
    WriteLengths(bits_, previous_main_.data(), main.data(), kLiterals);
    WriteLengths(bits_, previous_main_.data() + kLiterals, main.data() + kLiterals,
                 main.size() - kLiterals);
    WriteLengths(bits_, previous_length_.data(), length.data(), length.size());
    previous_main_ = main;
    previous_length_ = length;
    const std::vector<std::uint16_t> main_codes = CanonicalCodes(main);
    const std::vector<std::uint16_t> length_codes = CanonicalCodes(length);
    for (const Token* t = begin; t != end; ++t) {
      const Symbols symbols = SymbolsOf(*t);
      bits_.Put(main_codes[symbols.main], main[symbols.main]);
      if (t->length == 0) {
        if (!Advance(1)) return false;
        continue;
      }
      if (symbols.length >= 0) {
        const auto s = static_cast<unsigned>(symbols.length);
        bits_.Put(length_codes[s], length[s]);
      }
      const unsigned slot = SlotOf(t->value);
      bits_.Put(t->value - SlotBase(slot), FooterBits(slot));
      if (t->length >= kLongestPlainMatch) {
        const ExtendedLength form = ExtendedLengthOf(t->length);
        bits_.Put(form.prefix, form.prefix_bits);
        bits_.Put(t->length - kLongestPlainMatch - form.base, form.value_bits);
      }
      if (!Advance(t->length)) return false;
    }
    return true;
  }

  // The stream, or nothing when the last chunk overflows its size.
  std::vector<std::uint8_t> Finish() {
    if (!CloseChunk()) return {};
    return std::move(stream_);
  }

 private:
  bool Advance(std::uint32_t bytes) {
    written_ += bytes;
    if (written_ % kChunkSize == 0 && written_ < new_size_) return CloseChunk();
    return true;
  }

  bool CloseChunk() {
    bits_.Align();
    const std::vector<std::uint8_t> chunk = bits_.Take();
    if (chunk.size() > 0xFFFF) return false;
    stream_.push_back(static_cast<std::uint8_t>(chunk.size()));
    stream_.push_back(static_cast<std::uint8_t>(chunk.size() >> 8));
    stream_.insert(stream_.end(), chunk.begin(), chunk.end());
    return true;
  }

  std::uint32_t new_size_;
  std::uint32_t written_ = 0;
  BitWriter bits_;
  std::vector<std::uint8_t> stream_;
  std::vector<std::uint8_t> previous_main_;
  std::vector<std::uint8_t> previous_length_;
};

}  // namespace

std::vector<std::uint8_t> EncodeStream(const std::vector<Token>& tokens, std::uint32_t new_size,
                                       std::uint32_t window) {
  const unsigned main_symbols = kLiterals + PositionSlots(window) * kLengthHeaders;
  // Where each chunk's tokens begin, and the end of the last.
  std::vector<std::size_t> chunk_starts{0};
  std::uint64_t produced = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    produced += tokens[i].length == 0 ? 1 : tokens[i].length;
    if (produced % kChunkSize == 0 || i + 1 == tokens.size()) chunk_starts.push_back(i + 1);
  }
  // Merged blocks can, on unlucky statistics, overflow a chunk's size: then
  // every chunk gets trees of its own.
  for (bool merge : {true, false}) {
    StreamWriter writer(new_size, main_symbols);
    bool fits = true;
    for (const Span& span : PlanBlocks(chunk_starts, tokens, main_symbols, merge)) {
      const std::size_t first = chunk_starts[span.first_chunk], end = chunk_starts[span.end_chunk];
      const std::uint64_t bytes =
          std::min<std::uint64_t>(new_size, std::uint64_t{span.end_chunk} * kChunkSize) -
          std::uint64_t{span.first_chunk} * kChunkSize;
      fits = writer.Block(tokens.data() + first, tokens.data() + end,
                          static_cast<std::uint32_t>(bytes));
      if (!fits) break;
    }
    if (!fits) continue;
    std::vector<std::uint8_t> stream = writer.Finish();
    if (!stream.empty()) return stream;
  }
  return {};
}

}  // namespace delta
