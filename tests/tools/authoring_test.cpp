// The package msp_tool authors from resources/package.def, read back with
// libgsf and decoded as the installer reads it: a ProductVersion transform for
// every target product code, the File/Media transform for the demo family
// only, the cabinet with the new files, and the same bytes from every run.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <libgcab.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "compound_file.h"
#include "definition.h"
#include "support/authoring.h"
#include "support/package_reader.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;

const std::string kPatchClass("\x86\x10\x0C\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46",
                              16);
const std::string kTransformClass(
    "\x82\x10\x0C\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
const std::string kSummary = "\x05SummaryInformation";

std::string Table(const std::string& name) { return msptool::EncodeStreamName(name, true); }

class AuthoredPackageTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(msptool::ParseDefinition(ReadFileBytes(SourceDefinition()), def_, error)) << error;
    const auto run = RunMspTool({"author", SourceDefinition(), dir_ / "p.msp"});
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    ASSERT_TRUE(ReadCompoundFile(dir_ / "p.msp", package_));
  }

  const std::string& Stream(const std::string& path) {
    const auto at = package_.streams.find(path);
    EXPECT_NE(at, package_.streams.end()) << "no stream " << path;
    static const std::string none;
    return at == package_.streams.end() ? none : at->second;
  }

  std::map<std::uint32_t, SummaryValue> Summary(const std::string& storage) {
    return ParseSummary(Stream(storage.empty() ? kSummary : storage + "/" + kSummary));
  }

  std::vector<std::string> Strings(const std::string& storage) {
    return ParseStringPool(Stream(storage + "/" + Table("_StringPool")),
                           Stream(storage + "/" + Table("_StringData")));
  }

  // The names of the streams directly inside `storage`.
  std::set<std::string> StreamNames(const std::string& storage) {
    std::set<std::string> names;
    for (const auto& [path, bytes] : package_.streams)
      if (path.rfind(storage + "/", 0) == 0) names.insert(path.substr(storage.size() + 1));
    return names;
  }

  TempDir dir_;
  msptool::Definition def_;
  CompoundContents package_;
};

TEST_F(AuthoredPackageTest, SummaryListsOneVersionTransformPerTargetThenTheFiles) {
  EXPECT_EQ(package_.classIds[""], kPatchClass);
  auto summary = Summary("");
  const auto targets = def_.All("target");
  ASSERT_EQ(targets.size(), 21u);
  std::string list, transforms;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    list += (i ? ";" : "") + targets[i];
    transforms += (i ? ";:Version" : ":Version") + std::to_string(i + 1);
  }
  EXPECT_EQ(std::get<std::string>(summary[7]), list);
  EXPECT_EQ(std::get<std::string>(summary[8]), transforms + ";:Files");
  EXPECT_EQ(std::get<std::string>(summary[9]), def_.One("patch-code"));
  EXPECT_EQ(std::get<std::string>(summary[5]), def_.One("version-rule"));
}

TEST_F(AuthoredPackageTest, EveryTargetMeetsAProductVersionTransformOfItsOwn) {
  const auto targets = def_.All("target");
  const std::string from = def_.One("from-version"), to = def_.One("to-version");
  for (std::size_t i = 0; i < targets.size(); ++i) {
    SCOPED_TRACE(targets[i]);
    const std::string storage = "Version" + std::to_string(i + 1);
    EXPECT_EQ(package_.classIds[storage], kTransformClass);
    auto summary = Summary(storage);
    EXPECT_EQ(std::get<std::int64_t>(summary[16]), 0x0002);  // validated by product code
    EXPECT_EQ(std::get<std::string>(summary[9]),
              targets[i] + from + ";" + targets[i] + to + ";" + def_.One("upgrade-code"));
    // Its only table is Property; the one row changes ProductVersion's Value.
    EXPECT_EQ(StreamNames(storage), (std::set<std::string>{Table("Property"), Table("_StringData"),
                                                           Table("_StringPool"), kSummary}));
    const std::string& rows = Stream(storage + "/" + Table("Property"));
    const auto strings = Strings(storage);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(U16At(rows, 0), 0x0002u);
    EXPECT_EQ(strings.at(U16At(rows, 2)), "ProductVersion");
    EXPECT_EQ(strings.at(U16At(rows, 4)), to);
  }
}

TEST_F(AuthoredPackageTest, FilesTransformIsForTheFamilyAndNamesItsCabinet) {
  EXPECT_EQ(package_.classIds["Files"], kTransformClass);
  auto summary = Summary("Files");
  EXPECT_EQ(std::get<std::int64_t>(summary[16]), 0x0800);  // validated by upgrade code
  const std::string description = std::get<std::string>(summary[9]);
  EXPECT_EQ(description.substr(description.rfind(';') + 1), def_.One("upgrade-code"));

  const auto strings = Strings("Files");
  const auto files = def_.All("file");
  ASSERT_EQ(files.size(), 2u);
  // Per file: mask (FileSize, Attributes, Sequence), key, size, attributes, sequence.
  const std::string& rows = Stream("Files/" + Table("File"));
  ASSERT_EQ(rows.size(), 14u * files.size());
  std::uint32_t lastSequence = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i]);
    const std::size_t at = 14 * i;
    EXPECT_EQ(U16At(rows, at), 0x00C8u);
    EXPECT_EQ(strings.at(U16At(rows, at + 2)), files[i]);
    EXPECT_EQ(U32At(rows, at + 4) ^ 0x80000000u, ReadFileBytes(SourcePatchFile(files[i])).size());
    EXPECT_EQ(U16At(rows, at + 8) - 0x8000u, 0x1200u);  // vital, added by a patch
    const std::uint32_t sequence = U32At(rows, at + 10) ^ 0x80000000u;
    EXPECT_GT(sequence, lastSequence);
    lastSequence = sequence;
  }
  // One inserted Media row: its last sequence covers the files; the cabinet
  // is the root stream patch.cab; Source is set, as the installer needs.
  const std::string& media = Stream("Files/" + Table("Media"));
  ASSERT_EQ(media.size(), 16u);
  EXPECT_EQ(U16At(media, 0), 0x0601u);
  EXPECT_NE(U16At(media, 2), 0u);
  EXPECT_EQ(U32At(media, 4) ^ 0x80000000u, lastSequence);
  EXPECT_EQ(strings.at(U16At(media, 10)), "#patch.cab");
  EXPECT_NE(strings.at(U16At(media, 14)), "");
}

TEST_F(AuthoredPackageTest, CabinetHoldsTheNewFilesUnderTheirKeys) {
  const std::string& cabinet = Stream(msptool::EncodeStreamName("patch.cab", false));
  GInputStream* in = g_memory_input_stream_new_from_data(cabinet.data(), cabinet.size(), nullptr);
  GCabCabinet* cab = gcab_cabinet_new();
  GError* err = nullptr;
  ASSERT_TRUE(gcab_cabinet_load(cab, in, nullptr, &err)) << (err ? err->message : "");
  GFile* out = g_file_new_for_path(dir_.path().c_str());
  ASSERT_TRUE(gcab_cabinet_extract_simple(cab, out, nullptr, nullptr, nullptr, &err))
      << (err ? err->message : "");
  g_object_unref(out);
  g_object_unref(cab);
  g_object_unref(in);
  for (const auto& name : def_.All("file"))
    EXPECT_EQ(ReadFileBytes(dir_ / name), ReadFileBytes(SourcePatchFile(name))) << name;
}

TEST(AuthoringTest, EveryRunWritesTheSameBytes) {
  TempDir dir;
  const auto first = RunMspTool({"author", SourceDefinition(), dir / "first.msp"}, {{"TZ", "UTC"}});
  ASSERT_EQ(first.exitStatus, 0) << first.standardError;
  // Another time on the clock (past the two seconds a cabinet's file times
  // resolve) and another time zone: neither may show in the bytes.
  ::usleep(2100 * 1000);
  const auto second =
      RunMspTool({"author", SourceDefinition(), dir / "second.msp"}, {{"TZ", "Pacific/Auckland"}});
  ASSERT_EQ(second.exitStatus, 0) << second.standardError;
  const std::string bytes = ReadFileBytes(dir / "first.msp");
  EXPECT_FALSE(bytes.empty());
  EXPECT_TRUE(bytes == ReadFileBytes(dir / "second.msp"));
}

// The cabinet passes through a file of its own on its way into the package:
// nothing of it may remain.
TEST(AuthoringTest, LeavesOnlyThePackage) {
  TempDir dir;
  const auto run = RunMspTool({"author", SourceDefinition(), dir / "p.msp"});
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"p.msp"});
}

}  // namespace
}  // namespace toolstest
