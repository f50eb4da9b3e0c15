// Files taken out of cabinets of each kind a package may carry: gcab's MSZIP,
// stored blocks, and MSZIP blocks that refer back into the blocks before them.
#include "cabinet/reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "base/little_endian.h"
#include "cabinet/writer.h"
#include "support/temp_dir.h"

namespace msptool {
namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
using Files = std::vector<std::pair<std::string, std::string>>;

enum class Kind { Gcab, Stored, DeflatedWithHistory };

// A one-folder cabinet of `files` in 32 KiB blocks, stored or deflated with
// the history kept from block to block, as MSZIP has it; no checksums.
std::string HandMadeCabinet(const Files& files, bool deflated) {
  std::string data, entries, blocks;
  for (const auto& [name, bytes] : files) {
    PutU32(entries, static_cast<std::uint32_t>(bytes.size()));
    PutU32(entries, static_cast<std::uint32_t>(data.size()));
    entries += std::string(8, '\0') + name + '\0';
    data += bytes;
  }
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  int count = 0;
  for (std::size_t at = 0; at < data.size(); at += 32768, ++count) {
    std::string piece = data.substr(at, 32768), packed = piece;
    if (deflated) {
      packed.assign(40000, '\0');
      z.next_in = reinterpret_cast<Bytef*>(piece.data());
      z.avail_in = static_cast<uInt>(piece.size());
      z.next_out = reinterpret_cast<Bytef*>(packed.data());
      z.avail_out = static_cast<uInt>(packed.size());
      // Each block a whole deflate stream, with the block before as its history.
      deflateReset(&z);
      if (at > 0)
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(&data[at - 32768]), 32768);
      deflate(&z, Z_FINISH);
      packed = "CK" + packed.substr(0, packed.size() - z.avail_out);
    }
    PutU32(blocks, 0);
    PutU16(blocks, static_cast<std::uint32_t>(packed.size()));
    PutU16(blocks, static_cast<std::uint32_t>(piece.size()));
    blocks += packed;
  }
  deflateEnd(&z);
  const std::uint32_t filesAt = 36 + 8,
                      dataAt = filesAt + static_cast<std::uint32_t>(entries.size());
  std::string cab = "MSCF";
  for (std::uint32_t v : {0u, dataAt + static_cast<std::uint32_t>(blocks.size()), 0u, filesAt, 0u})
    PutU32(cab, v);
  cab += "\x03\x01";
  for (std::uint32_t v : {1u, static_cast<std::uint32_t>(files.size()), 0u, 0u, 0u}) PutU16(cab, v);
  PutU32(cab, dataAt);
  PutU16(cab, static_cast<std::uint32_t>(count));
  PutU16(cab, deflated ? 1 : 0);
  return cab + entries + blocks;
}

std::string MakeCabinet(Kind kind, const Files& files, const TempDir& dir) {
  if (kind != Kind::Gcab) return HandMadeCabinet(files, kind == Kind::DeflatedWithHistory);
  std::vector<CabinetFile> list;
  for (const auto& [name, bytes] : files) {
    WriteFileBytes(dir / ("in-" + name), bytes);
    list.push_back({name, dir / ("in-" + name), bytes.size()});
  }
  std::string error;
  EXPECT_TRUE(WriteCabinet(list, dir / "made.cab", error)) << error;
  return ReadFileBytes(dir / "made.cab");
}

// Whatever the cabinet's kind: a 32 KiB random piece said again and again, so
// that deflated blocks refer back into the ones before them.
Files SampleFiles() {
  std::mt19937 random(7);
  std::string piece(32768, '\0');
  for (auto& c : piece) c = static_cast<char>(random());
  std::string text;
  while (text.size() < 300000) text += piece;
  return {{"first", text.substr(5, 100)},
          {"spans", text.substr(0, 70000)},
          {"empty", ""},
          {"middle", text.substr(3, 150000)},
          {"last", text.substr(1, 40000)}};
}

struct Read {
  CabinetRead result;
  std::set<std::string> found;
  std::uint64_t bytesRead = 0;
};

// Each wanted file at its size among `files`.
Read Extract(const std::string& cab, const std::map<std::string, std::string>& wanted,
             const Files& files = SampleFiles()) {
  std::map<std::string, WantedFile> sized;
  for (const auto& [name, path] : wanted) {
    sized[name].path = path;
    for (const auto& [file, bytes] : files)
      if (file == name) sized[name].size = bytes.size();
  }
  Read r;
  const ByteSource source{cab.size(), [&](std::uint64_t at, void* to, std::size_t n) {
                            if (at > cab.size() || n > cab.size() - at) return false;
                            std::memcpy(to, cab.data() + at, n);
                            r.bytesRead += n;
                            return true;
                          }};
  r.result = ExtractCabinetFiles(source, sized, r.found);
  return r;
}

class CabinetKindTest : public testing::TestWithParam<Kind> {};

TEST_P(CabinetKindTest, WritesTheWantedFilesAndNoOthers) {
  TempDir dir;
  const Files files = SampleFiles();
  const std::string cab = MakeCabinet(GetParam(), files, dir);
  const std::map<std::string, std::string> wanted = {
      {"spans", dir / "1"}, {"empty", dir / "2"}, {"last", dir / "3"}, {"absent", dir / "4"}};
  const Read r = Extract(cab, wanted);
  ASSERT_EQ(r.result, CabinetRead::Extracted);
  EXPECT_EQ(r.found, (std::set<std::string>{"spans", "empty", "last"}));
  for (const auto& [name, bytes] : files)
    if (r.found.count(name)) {
      EXPECT_EQ(ReadFileBytes(wanted.at(name)), bytes) << name;
    }
  EXPECT_FALSE(testsupport::PathExists(dir / "4"));
}

// A file at the end of a cabinet whose blocks stand alone costs its own
// blocks, not the ones before it.
TEST(CabinetReaderTest, ReadsLittleMoreThanTheWantedFileWhereBlocksStandAlone) {
  for (const Kind kind : {Kind::Gcab, Kind::Stored}) {
    TempDir dir;
    const std::string cab = MakeCabinet(kind, SampleFiles(), dir);
    const Read r = Extract(cab, {{"last", dir / "out"}});
    ASSERT_EQ(r.result, CabinetRead::Extracted);
    EXPECT_LT(r.bytesRead, cab.size() / 4) << static_cast<int>(kind);
  }
}

std::string KindName(const testing::TestParamInfo<Kind>& info) {
  static const char* const names[] = {"Gcab", "Stored", "DeflatedWithHistory"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Kinds, CabinetKindTest,
                         testing::Values(Kind::Gcab, Kind::Stored, Kind::DeflatedWithHistory),
                         KindName);

TEST(CabinetReaderTest, RefusesDamagedForeignAndUnwritableCases) {
  TempDir dir;
  const std::string good = MakeCabinet(Kind::Gcab, SampleFiles(), dir);
  const std::size_t dataAt = GetU32(good, 36);  // the folder's first block
  std::string flipped = good, lzx = good, badFolder = good;
  flipped[dataAt + 100] ^= 1;
  lzx[36 + 6] = 3;
  badFolder[GetU32(good, 16) + 8] = 9;  // the first file's folder
  const struct {
    const char* what;
    std::string cab;
    std::string out;
    CabinetRead result;
  } rows[] = {
      {"a flipped byte fails the checksum", flipped, dir / "o", CabinetRead::Damaged},
      {"cut short", good.substr(0, good.size() - 10), dir / "o", CabinetRead::Damaged},
      {"no cabinet", "MSCX" + good.substr(4), dir / "o", CabinetRead::NotCabinet},
      {"an LZX folder", lzx, dir / "o", CabinetRead::Unsupported},
      {"a file in a folder that is not there", badFolder, dir / "o", CabinetRead::NotCabinet},
      {"an output that cannot be written", good, dir / "none/o", CabinetRead::CannotWrite},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Extract(row.cab, {{"first", row.out}, {"last", row.out}}).result, row.result)
        << row.what;
}

// Claims a hostile cabinet makes: every entry on the same bytes (a cabinet of
// 256 MiB of zeros made many GiB of files), or a size its File row does not
// have. Refused before anything is written.
TEST(CabinetReaderTest, RefusesOverlappingAndMisSizedClaims) {
  TempDir dir;
  const std::string zeros(100000, '\0');
  std::string overlapping = HandMadeCabinet({{"a", zeros}, {"b", ""}}, true);
  // Entry b (after a's 16 bytes of fields and "a\0") claims a's bytes too:
  // size 100000, from the folder's start.
  const std::size_t entryB = GetU32(overlapping, 16) + 18;
  overlapping.replace(entryB, 8, std::string("\xA0\x86\x01\x00\0\0\0\0", 8));
  const Files sizes = {{"a", zeros}, {"b", zeros}};
  const struct {
    const char* what;
    std::map<std::string, std::string> wanted;
    Files files;
    CabinetRead result;
  } rows[] = {
      {"two entries on the same bytes",
       {{"a", dir / "a"}, {"b", dir / "b"}},
       sizes,
       CabinetRead::BadClaim},
      {"one of them alone", {{"b", dir / "b"}}, sizes, CabinetRead::Extracted},
      {"a size the File row does not say",
       {{"a", dir / "a"}},
       {{"a", "short"}},
       CabinetRead::BadClaim},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Extract(overlapping, row.wanted, row.files).result, row.result) << row.what;
    if (row.result != CabinetRead::BadClaim) continue;
    for (const auto& [name, path] : row.wanted)
      EXPECT_FALSE(testsupport::PathExists(path)) << row.what;
  }
}

}  // namespace
}  // namespace msptool
