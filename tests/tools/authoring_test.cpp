// The package msp_tool authors from resources/package.def, read back with
// libgsf and decoded as the installer reads it, against the structure of a
// patch Windows applies: data and patch transform pairs (the family's files,
// then every target's version), property 16's two words, the patch tables,
// MsiPatchSequence, the cabinet with the new files, and the same bytes from
// every run.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <libgcab.h>

#include <filesystem>
#include <set>

#include "compound_file.h"
#include "conventions.h"
#include "definition.h"
#include "support/authoring.h"
#include "support/package_reader.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::IsRegistryCode;
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
    const std::string prefix = storage.empty() ? "" : storage + "/";
    return ParseStringPool(Stream(prefix + Table("_StringPool")),
                           Stream(prefix + Table("_StringData")));
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

// The rows of a transform's table stream of `columns` 2- or 4-byte cells
// (string references and 16-bit integers are 2 bytes): each row's mask, then
// its cells as stored.
std::vector<std::vector<std::uint32_t>> Rows(const std::string& stream,
                                             const std::vector<int>& widths) {
  std::vector<std::vector<std::uint32_t>> rows;
  for (std::size_t at = 0; at < stream.size();) {
    std::vector<std::uint32_t> row{U16At(stream, at)};
    at += 2;
    for (int width : widths) {
      row.push_back(width == 2 ? U16At(stream, at) : U32At(stream, at));
      at += width;
    }
    rows.push_back(row);
  }
  return rows;
}

TEST_F(AuthoredPackageTest, SummaryListsTransformPairsFilesFirstThenVersions) {
  EXPECT_EQ(package_.classIds[""], kPatchClass);
  auto summary = Summary("");
  const auto targets = def_.All("target");
  ASSERT_EQ(targets.size(), 21u);
  std::string list, transforms;
  for (std::size_t i = 0; i < targets.size(); ++i) list += (i ? ";" : "") + targets[i];
  for (std::size_t n = 1; n <= 2 * targets.size(); ++n)
    transforms += (n > 1 ? ";:T" : ":T") + std::to_string(n) + ";:#T" + std::to_string(n);
  EXPECT_EQ(std::get<std::string>(summary[7]), list);
  EXPECT_EQ(std::get<std::string>(summary[8]), transforms);
  EXPECT_EQ(std::get<std::string>(summary[9]), def_.One("patch-code"));
  EXPECT_EQ(std::get<std::string>(summary[5]), def_.One("version-rule"));
  EXPECT_EQ(std::get<std::int64_t>(summary[15]), 1);
}

// Windows reads validation from the upper word, errors to suppress from the
// lower; Wine reads validation from the lower word.
TEST_F(AuthoredPackageTest, PairsValidateTheProductAndTheFamilyWhereFilesChange) {
  const auto targets = def_.All("target");
  const std::string from = def_.One("from-version"), to = def_.One("to-version");
  for (std::size_t n = 1; n <= 2 * targets.size(); ++n) {
    const bool files = n <= targets.size();
    const std::string& code = targets[(n - 1) % targets.size()];
    for (const std::string& name : {"T" + std::to_string(n), "#T" + std::to_string(n)}) {
      SCOPED_TRACE(name);
      EXPECT_EQ(package_.classIds[name], kTransformClass);
      auto summary = Summary(name);
      EXPECT_EQ(std::get<std::int64_t>(summary[16]), files ? 0x08020807 : 0x00020007);
      EXPECT_EQ(std::get<std::string>(summary[9]),
                code + from + ";" + code + to + ";" + def_.One("upgrade-code"));
    }
    // The data transform: ProductVersion's Value, and the family's file sizes.
    const std::string data = "T" + std::to_string(n);
    const auto strings = Strings(data);
    const auto property = Rows(Stream(data + "/" + Table("Property")), {2, 2});
    ASSERT_EQ(property.size(), 1u);
    EXPECT_EQ(property[0][0], 0x0002u);
    EXPECT_EQ(strings.at(property[0][1]), "ProductVersion");
    EXPECT_EQ(strings.at(property[0][2]), to);
    EXPECT_EQ(StreamNames(data).count(Table("File")), files ? 1u : 0u);
    if (!files) continue;
    const auto fileRows = Rows(Stream(data + "/" + Table("File")), {2, 4});
    ASSERT_EQ(fileRows.size(), def_.All("file").size());
    for (const auto& row : fileRows) {
      EXPECT_EQ(row[0], 0x0008u);  // FileSize
      EXPECT_EQ(row[2] ^ 0x80000000u, ReadFileBytes(SourcePatchFile(strings.at(row[1]))).size());
    }
  }
}

TEST_F(AuthoredPackageTest, PatchTransformsBringMediaPatchPackageAndTheNewPackageCode) {
  const auto targets = def_.All("target");
  // The demo products' own media end at one sequence per file.
  const std::size_t productLastSequence = def_.All("file").size();
  for (std::size_t n = 1; n <= 2 * targets.size(); ++n) {
    const std::string name = "#T" + std::to_string(n);
    SCOPED_TRACE(name);
    const auto strings = Strings(name);
    // Media: DiskId, LastSequence, DiskPrompt, Cabinet, VolumeLabel, Source.
    const auto media = Rows(Stream(name + "/" + Table("Media")), {2, 4, 2, 2, 2, 2});
    ASSERT_EQ(media.size(), 1u);
    EXPECT_EQ(media[0][0], 0x0601u);
    const std::uint32_t lastSequence = media[0][2] ^ 0x80000000u;
    EXPECT_GT(lastSequence, productLastSequence);
    EXPECT_EQ(strings.at(media[0][4]), "#patch.cab");
    EXPECT_NE(strings.at(media[0][6]), "");
    // PatchPackage: the patch code and that Media row.
    const auto package = Rows(Stream(name + "/" + Table("PatchPackage")), {2, 2});
    ASSERT_EQ(package.size(), 1u);
    EXPECT_EQ(strings.at(package[0][1]), def_.One("patch-code"));
    EXPECT_EQ(package[0][2], media[0][1]);
    // The tables it adds, by name in _Tables.
    std::set<std::string> added;
    for (const auto& row : Rows(Stream(name + "/" + Table("_Tables")), {2}))
      added.insert(strings.at(row[1]));
    EXPECT_EQ(added, (std::set<std::string>{"Patch", "PatchPackage", "MsiPatchHeaders"}));
    std::map<std::string, std::string> properties;
    for (const auto& row : Rows(Stream(name + "/" + Table("Property")), {2, 2}))
      properties[strings.at(row[1])] = strings.at(row[2]);
    EXPECT_EQ(properties.size(), 2u);
    EXPECT_TRUE(IsRegistryCode(properties["PATCHNEWPACKAGECODE"]));
    EXPECT_NE(properties["PATCHNEWSUMMARYSUBJECT"], "");
    const auto action = Rows(Stream(name + "/" + Table("InstallExecuteSequence")), {2, 2, 2});
    ASSERT_EQ(action.size(), 1u);
    EXPECT_EQ(strings.at(action[0][1]), "PatchFiles");
    // With files: each becomes patch-added, vital, with a sequence of the
    // patch's media.
    if (n > targets.size()) continue;
    for (const auto& row : Rows(Stream(name + "/" + Table("File")), {2, 2, 4})) {
      EXPECT_EQ(row[0], 0x00C0u);
      EXPECT_EQ(row[2] - 0x8000u, 0x1200u);
      EXPECT_GT(row[3] ^ 0x80000000u, productLastSequence);
      EXPECT_LE(row[3] ^ 0x80000000u, lastSequence);
    }
  }
}

TEST_F(AuthoredPackageTest, RootCarriesThePatchSequence) {
  // Stored column by column: PatchFamily, ProductCode, Sequence, Attributes.
  const std::string& rows = Stream(Table("MsiPatchSequence"));
  const auto strings = Strings("");
  ASSERT_EQ(rows.size(), 10u);
  std::string family = def_.One("upgrade-code");
  std::erase_if(family, [](char c) { return c == '{' || c == '}' || c == '-'; });
  EXPECT_EQ(strings.at(U16At(rows, 0)), family);
  EXPECT_EQ(U16At(rows, 2), 0u);
  EXPECT_EQ(strings.at(U16At(rows, 4)), def_.One("to-version"));
  EXPECT_EQ(U32At(rows, 6), 0x80000000u);
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
  // Another clock (years, hours and seconds apart, past the two seconds a
  // cabinet's file times resolve) and another time zone: neither may show in
  // the bytes. faketime shifts the clock without waiting for it.
  const auto second = testsupport::RunProgram(
      "/usr/bin/faketime",
      {"-f", "@2031-07-15 13:37:11", SPINSTALL_MSP_TOOL, "author", SourceDefinition(),
       dir / "second.msp"},
      {{"TZ", "Pacific/Auckland"}, {"ASAN_OPTIONS", "verify_asan_link_order=0"}}, ".");
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
