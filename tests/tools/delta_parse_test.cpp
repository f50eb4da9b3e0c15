// The parse of a new file against the old one: whatever the change, the
// tokens rebuild the new file, stay within their chunk and keep to the
// repeated offsets; and the edits of a file cost what they change, not what
// they move.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "delta/lzxd_format.h"
#include "delta/parse.h"
#include "delta/token.h"
#include "support/delta_cases.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct ParseCase {
  const char* name;
  Bytes (*change)(const Bytes& old_file);
  std::size_t most_literals;  // the bytes the change writes, and a few
};

Bytes Old() { return toolstest::CodeLikeBytes(200000, 7); }

Bytes Same(const Bytes& old_file) { return old_file; }

Bytes OneByte(const Bytes& old_file) {
  Bytes changed = old_file;
  changed[123457] ^= 0x5A;
  return changed;
}

// Two bytes in a hundred rewritten: gaps shorter than the long matches the
// parse takes at once, so its cheapest way decides each one.
Bytes ManyBytes(const Bytes& old_file) {
  Bytes changed = old_file;
  for (std::size_t i = 1000; i < 21000; i += 50) changed[i] ^= 0xFF;
  return changed;
}

Bytes Inserted(const Bytes& old_file) {
  Bytes changed(old_file.begin(), old_file.begin() + 70000);
  const Bytes block = toolstest::CodeLikeBytes(3000, 99);
  changed.insert(changed.end(), block.begin(), block.end());
  changed.insert(changed.end(), old_file.begin() + 70000, old_file.end());
  return changed;
}

Bytes Deleted(const Bytes& old_file) {
  Bytes changed(old_file.begin(), old_file.begin() + 90000);
  changed.insert(changed.end(), old_file.begin() + 95000, old_file.end());
  return changed;
}

const ParseCase kCases[] = {
    {"same_file", Same, 0},
    {"one_byte", OneByte, 1},
    {"many_bytes", ManyBytes, 400 + 8},
    {"block_inserted", Inserted, 3000 + 8},
    {"block_deleted", Deleted, 8},
};

// Rebuilds the new file from the tokens as the decoder does, checking each
// token's bounds; false at the first that breaks them.
bool Rebuild(const Bytes& old_file, const std::vector<delta::Token>& tokens, std::size_t new_size,
             Bytes& made) {
  Bytes window = old_file;
  std::array<std::uint32_t, 3> repeated{1, 1, 1};
  std::size_t at = 0;
  for (const delta::Token& t : tokens) {
    if (t.length == 0) {
      window.push_back(static_cast<std::uint8_t>(t.value));
      ++at;
      continue;
    }
    std::uint32_t offset;
    if (t.value < 3) {
      offset = repeated[t.value];
      std::swap(repeated[0], repeated[t.value]);
    } else {
      offset = t.value - 2;
      repeated = {offset, repeated[0], repeated[1]};
    }
    if (t.length < delta::kMinMatch || t.length > delta::kLongestMatch || offset > window.size())
      return false;
    // No token crosses a chunk of output.
    if (at / delta::kChunkSize != (at + t.length - 1) / delta::kChunkSize) return false;
    for (std::uint32_t i = 0; i < t.length; ++i) window.push_back(window[window.size() - offset]);
    at += t.length;
  }
  made.assign(window.begin() + static_cast<std::ptrdiff_t>(old_file.size()), window.end());
  return made.size() == new_size;
}

class Parse : public testing::TestWithParam<ParseCase> {};

TEST_P(Parse, RebuildsTheNewFileWithFewLiterals) {
  const Bytes old_file = Old();
  const Bytes new_file = GetParam().change(old_file);
  const std::uint32_t window = delta::WindowSize(old_file.size(), new_file.size());
  const std::vector<delta::Token> tokens = delta::ParseAgainst(old_file, new_file, window);
  Bytes made;
  ASSERT_TRUE(Rebuild(old_file, tokens, new_file.size(), made));
  EXPECT_TRUE(made == new_file);
  const auto literals = static_cast<std::size_t>(std::count_if(
      tokens.begin(), tokens.end(), [](const delta::Token& t) { return t.length == 0; }));
  EXPECT_LE(literals, GetParam().most_literals);
}

INSTANTIATE_TEST_SUITE_P(Changes, Parse, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ParseCase>& info) {
                           return std::string(info.param.name);
                         });

// A byte edited in place: the bytes after it keep their offset to the old
// file, so the match that resumes there is the repeated one, not a new
// offset, and the file costs a token a chunk besides.
TEST(Parse, AnEditedByteResumesAtTheRepeatedOffset) {
  const Bytes old_file = Old();
  const Bytes new_file = OneByte(old_file);
  const std::vector<delta::Token> tokens =
      delta::ParseAgainst(old_file, new_file, delta::WindowSize(old_file.size(), new_file.size()));
  const auto literal = std::find_if(tokens.begin(), tokens.end(),
                                    [](const delta::Token& t) { return t.length == 0; });
  ASSERT_NE(literal, tokens.end());
  for (auto t = literal + 1; t != tokens.end(); ++t) EXPECT_EQ(t->value, 0u);
  EXPECT_LE(tokens.size(), new_file.size() / delta::kChunkSize + 3);
}

}  // namespace
