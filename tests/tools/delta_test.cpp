// Binary deltas: round trips of the change kinds an upgrade makes through
// our own decoder, the header-only form, and refusals of damaged deltas.
// (tests/wine/delta_apply_test.sh applies the same cases with the system's
// own patch engine.)
#include <gtest/gtest.h>

#include <cstring>

#include "delta/container.h"
#include "delta/delta.h"
#include "delta/huffman.h"
#include "delta/vli.h"
#include "support/delta_cases.h"

namespace {

using delta::Bytes;
using delta::DeltaResult;

const std::vector<toolstest::DeltaCase>& Cases() {
  static const std::vector<toolstest::DeltaCase> cases = toolstest::DeltaCases();
  return cases;
}

std::uint32_t Flags(const Bytes& delta) {
  std::uint32_t flags;
  std::memcpy(&flags, delta.data() + 4, 4);
  return flags;
}

class DeltaRoundTrip : public testing::TestWithParam<std::size_t> {};

TEST_P(DeltaRoundTrip, OurDecoderMakesTheNewFile) {
  const auto& c = Cases()[GetParam()];
  const delta::DeltaOutcome made = delta::EncodeDelta(toolstest::OldFiles(c), c.new_file);
  if (c.old_file.empty()) {
    EXPECT_EQ(made.result, DeltaResult::kEmptyOldFile);
    return;
  }
  ASSERT_EQ(made.result, DeltaResult::kOk);
  for (const Bytes& old_file : toolstest::OldFiles(c)) {
    const delta::DeltaOutcome applied = delta::ApplyDelta(made.bytes, old_file);
    ASSERT_EQ(applied.result, DeltaResult::kOk);
    EXPECT_TRUE(applied.bytes == c.new_file);
  }
  EXPECT_EQ(delta::Crc32(made.bytes.data(), made.bytes.size()), 0xFFFFFFFFu);
  // Large windows are flagged as Windows flags them.
  const bool large = (c.old_file.size() + 32767) / 32768 * 32768 + c.new_file.size() > (8u << 20);
  EXPECT_EQ((Flags(made.bytes) & delta::kUseLzxLarge) != 0, large);
  // Much smaller than the new file wherever the old one holds most of it.
  if (c.name != "random_data" && !c.new_file.empty()) {
    EXPECT_LT(made.bytes.size(), c.new_file.size() / 8);
  }
  if (c.old_file == c.new_file) {
    EXPECT_LT(made.bytes.size(), 40u);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DeltaRoundTrip, testing::Range<std::size_t>(0, Cases().size()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                           return Cases()[info.param].name;
                         });

const toolstest::DeltaCase& Case(const std::string& name) {
  for (const auto& c : Cases())
    if (c.name == name) return c;
  static const toolstest::DeltaCase none;
  return none;
}

TEST(Delta, SameFilesGiveTheSameBytes) {
  for (const auto& c : Cases())
    if (c.new_file.size() <= (1u << 20)) {
      EXPECT_TRUE(delta::EncodeDelta(c.old_file, c.new_file).bytes ==
                  delta::EncodeDelta(c.old_file, c.new_file).bytes)
          << c.name;
    }
}

TEST(Delta, FilesBeyondOneWindowAreRefused) {
  const Bytes old_file(17u << 20, 1), new_file(17u << 20, 2);
  EXPECT_EQ(delta::EncodeDelta(old_file, new_file).result, DeltaResult::kTooLarge);
}

TEST(Delta, OldFileCountsTheContainerCannotHoldAreRefused) {
  const Bytes file(1000, 7);
  EXPECT_EQ(delta::EncodeDelta(std::vector<Bytes>{}, file).result, DeltaResult::kTooManyOldFiles);
  EXPECT_EQ(delta::EncodeDelta(std::vector<Bytes>(256, file), file).result,
            DeltaResult::kTooManyOldFiles);
  EXPECT_EQ(delta::EncodeDelta(std::vector<Bytes>(255, file), file).result, DeltaResult::kOk);
}

TEST(Delta, HeaderAloneEndsWithItsOwnCrc) {
  const auto& c = Case("block_inserted");
  const Bytes made = delta::EncodeDelta(c.old_file, c.new_file).bytes;
  const delta::DeltaOutcome header = delta::DeltaHeader(made);
  ASSERT_EQ(header.result, DeltaResult::kOk);
  ASSERT_GT(header.bytes.size(), 4u);
  ASSERT_LT(header.bytes.size(), 40u);
  EXPECT_TRUE(std::equal(header.bytes.begin(), header.bytes.end() - 4, made.begin()));
  EXPECT_EQ(delta::Crc32(header.bytes.data(), header.bytes.size()), 0xFFFFFFFFu);
  EXPECT_TRUE(delta::DeltaHeader(header.bytes).bytes == header.bytes);
}

TEST(Delta, AnotherOldFileIsRefused) {
  const auto& c = Case("scattered_edits");
  const Bytes made = delta::EncodeDelta(c.old_file, c.new_file).bytes;
  Bytes other = c.old_file;
  other[5] ^= 1;
  EXPECT_EQ(delta::ApplyDelta(made, other).result, DeltaResult::kWrongOldFile);
  other = c.old_file;
  other.push_back(0);
  EXPECT_EQ(delta::ApplyDelta(made, other).result, DeltaResult::kWrongOldFile);
}

struct Damage {
  const char* name;
  std::size_t cut;  // bytes kept, or 0
  bool flip;        // one byte flipped at every 97th position, one at a time
};

class DamagedDelta : public testing::TestWithParam<Damage> {};

TEST_P(DamagedDelta, IsRefused) {
  const auto& c = Case("scattered_edits");
  const Bytes made = delta::EncodeDelta(c.old_file, c.new_file).bytes;
  const Damage damage = GetParam();
  if (!damage.flip) {
    const Bytes cut(made.begin(), made.begin() + static_cast<std::ptrdiff_t>(damage.cut));
    EXPECT_NE(delta::ApplyDelta(cut, c.old_file).result, DeltaResult::kOk);
    return;
  }
  // In the header a flip may first make it unreadable; past it, the CRC
  // catches every one.
  const std::size_t header = delta::DeltaHeader(made).bytes.size() - 4;
  for (std::size_t at = 0; at < made.size(); at += 97) {
    Bytes flipped = made;
    flipped[at] ^= 0x10;
    const DeltaResult result = delta::ApplyDelta(flipped, c.old_file).result;
    if (at < header) {
      EXPECT_NE(result, DeltaResult::kOk) << at;
    } else {
      EXPECT_EQ(result, DeltaResult::kBadChecksum) << at;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedDelta,
                         testing::Values(Damage{"flipped_byte", 0, true}, Damage{"empty", 0, false},
                                         Damage{"magic_only", 4, false},
                                         Damage{"half_a_header", 12, false},
                                         Damage{"no_closing_crc", 6000, false}),
                         [](const testing::TestParamInfo<Damage>& info) {
                           return std::string(info.param.name);
                         });

// A damaged stream whose closing CRC was made good again: the decoder must
// refuse it (or the new file's CRC does), never read or write out of bounds.
TEST(Delta, DamagedStreamWithAGoodClosingCrcIsRefused) {
  const auto& c = Case("shifted_code");
  const Bytes made = delta::EncodeDelta(c.old_file, c.new_file).bytes;
  for (std::size_t at = 30; at + 4 < made.size(); at += 211) {
    Bytes flipped(made.begin(), made.end() - 4);
    flipped[at] ^= 0x81;
    delta::Close(flipped);
    const DeltaResult result = delta::ApplyDelta(flipped, c.old_file).result;
    EXPECT_TRUE(result == DeltaResult::kMalformed || result == DeltaResult::kBadChecksum) << at;
  }
}

struct VliRow {
  std::int64_t value;
  bool is_signed;
  Bytes bytes;
};

class VariableLengthInteger : public testing::TestWithParam<VliRow> {};

TEST_P(VariableLengthInteger, RoundTripsThroughItsBytes) {
  const VliRow row = GetParam();
  Bytes out;
  if (row.is_signed)
    delta::PutSigned(out, row.value);
  else
    delta::PutUnsigned(out, static_cast<std::uint64_t>(row.value));
  EXPECT_EQ(out, row.bytes);
  std::size_t at = 0;
  if (row.is_signed) {
    std::int64_t back = 0;
    ASSERT_TRUE(delta::ReadSigned(out.data(), out.size(), at, back));
    EXPECT_EQ(back, row.value);
  } else {
    std::uint64_t back = 0;
    ASSERT_TRUE(delta::ReadUnsigned(out.data(), out.size(), at, back));
    EXPECT_EQ(back, static_cast<std::uint64_t>(row.value));
  }
  EXPECT_EQ(at, out.size());
  // Without its last byte it does not read.
  at = 0;
  std::uint64_t ignored;
  EXPECT_FALSE(delta::ReadUnsigned(out.data(), out.size() - 1, at, ignored));
}

INSTANTIATE_TEST_SUITE_P(Rows, VariableLengthInteger,
                         testing::Values(VliRow{0, false, {0x80}}, VliRow{127, false, {0xFF}},
                                         VliRow{128, false, {0x00, 0x81}},
                                         VliRow{16383, false, {0x7F, 0xFF}},
                                         VliRow{16384, false, {0x00, 0x00, 0x81}},
                                         VliRow{0, true, {0x80}}, VliRow{63, true, {0xBF}},
                                         VliRow{64, true, {0x00, 0x81}}, VliRow{-1, true, {0xC1}},
                                         VliRow{-64, true, {0x40, 0x81}},
                                         VliRow{-(1 << 20), true, {0x40, 0x00, 0x00, 0x81}}));

TEST(Delta, CodeLengthsKeepToTheLimitAndFillTheCodeSpace) {
  // Fibonacci frequencies make the deepest unlimited Huffman tree.
  std::vector<std::uint32_t> frequencies(40);
  frequencies[0] = frequencies[1] = 1;
  for (std::size_t i = 2; i < frequencies.size(); ++i)
    frequencies[i] = frequencies[i - 1] + frequencies[i - 2];
  for (unsigned limit : {15u, 16u}) {
    const std::vector<std::uint8_t> lengths = delta::CodeLengths(frequencies, limit);
    double kraft = 0;
    for (auto length : lengths) {
      EXPECT_GE(length, 1);
      EXPECT_LE(length, limit);
      kraft += 1.0 / (1u << length);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);
  }
  // One symbol alone still makes a complete code of two.
  std::vector<std::uint32_t> single(10, 0);
  single[7] = 50;
  const std::vector<std::uint8_t> lengths = delta::CodeLengths(single, 16);
  EXPECT_EQ(lengths[7], 1);
  EXPECT_EQ(std::count(lengths.begin(), lengths.end(), 1), 2);
}

}  // namespace
