// msp_tool as the build runs it: a broken definition stops "author" (and so
// the build) with exit status 1 and a message that names the value; "check"
// refuses broken packages and descriptors the same way; "describe" fills a
// descriptor template.
#include <gtest/gtest.h>

#include <filesystem>

#include "msi/standard_tables.h"
#include "patch/package_writer.h"
#include "support/authoring.h"
#include "support/small_patch.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

const std::string kA = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";
const std::string kB = "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}";

// Definition `text` with line `from` replaced by `to` ("" drops it).
std::string Edited(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from + "\n");
  EXPECT_NE(at, std::string::npos) << from;
  text.replace(at, from.size() + 1, to.empty() ? "" : to + "\n");
  return text;
}

struct BrokenDefinition {
  const char* name;
  std::string line;         // a line of resources/package.def
  std::string replacement;  // what it becomes
  std::string message;      // what the error must say
};

class BrokenDefinitionTest : public testing::TestWithParam<BrokenDefinition> {};

TEST_P(BrokenDefinitionTest, AuthorStopsAndNamesTheValue) {
  const auto& row = GetParam();
  TempDir dir;
  WriteFileBytes(dir / "package.def",
                 Edited(ReadFileBytes(DefinitionIn(dir.path())), row.line, row.replacement));
  const auto run = RunMspTool({"author", dir / "package.def", dir / "out.msp"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find("msp_tool: error: " + dir / "package.def"), std::string::npos)
      << run.standardError;
  EXPECT_NE(run.standardError.find(row.message), std::string::npos) << run.standardError;
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, BrokenDefinitionTest,
    testing::Values(
        BrokenDefinition{"rule_that_is_not_the_packages", "version-rule = 16.1.84.0;16.1.63.10,",
                         "version-rule = 16.1.84.0;16.1.63.10,16.1.50.0,",
                         "version rule \"16.1.84.0;16.1.63.10,16.1.50.0,\" is not the packages' "
                         "\"16.1.84.0;16.1.63.10,\""},
        BrokenDefinition{"product_code_of_37_characters",
                         "target = {ECB53EFA-4E5B-4446-B2E1-A8C4BAA3F468}",
                         "target = {ECB53EFA-4E5B-4446-B2E1-A8C4BAA3F46}",
                         "target \"{ECB53EFA-4E5B-4446-B2E1-A8C4BAA3F46}\" has no package at "
                         "release \"16.1.63.10\""},
        BrokenDefinition{"release_without_packages", "upgrade = 16.1.84.0", "upgrade = 16.1.85.0",
                         "has no package at release \"16.1.85.0\""},
        BrokenDefinition{"patch_code_not_in_registry_form",
                         "patch-code = {BB5574F9-054D-4C64-928E-267B70B60BF3}",
                         "patch-code = BB5574F9-054D-4C64-928E-267B70B60BF3",
                         "patch-code \"BB5574F9-054D-4C64-928E-267B70B60BF3\""},
        BrokenDefinition{"key_of_the_old_hand_made_patch", "upgrade = 16.1.84.0",
                         "file = readme.txt", "unknown key \"file\""},
        BrokenDefinition{"line_without_equals_sign", "upgrade = 16.1.84.0", "upgrade 16.1.84.0",
                         "expected \"key = value\""},
        BrokenDefinition{"removable_neither_yes_nor_no", "classification = Service Pack",
                         "classification = Service Pack\nremovable = maybe",
                         "removable \"maybe\" is neither \"yes\" nor \"no\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AuthorTest, AuthoredPackageAndItsDescriptorPassTheCheck) {
  TempDir dir;
  const auto author = RunMspTool({"author", DefinitionIn(dir.path()), dir / "p.msp"});
  ASSERT_EQ(author.exitStatus, 0) << author.standardError;
  const auto describe =
      RunMspTool({"describe", dir / "p.msp",
                  SPINSTALL_SOURCE_DIR "/resources/descriptors/206.txt.in", dir / "206.txt"});
  ASSERT_EQ(describe.exitStatus, 0) << describe.standardError;
  // The supplied-package template, for the 21st and last target.
  const auto neutral = RunMspTool({"describe", dir / "p.msp",
                                   SPINSTALL_SOURCE_DIR "/resources/supplied-descriptor.txt.in",
                                   dir / "226.txt", "21"});
  ASSERT_EQ(neutral.exitStatus, 0) << neutral.standardError;
  EXPECT_EQ(ReadFileBytes(dir / "226.txt").substr(0, 52),
            "ProductCode={B09F53B3-B18C-4A9A-8E0B-6F3DFB5379FF}\r\n");
  EXPECT_NE(ReadFileBytes(dir / "226.txt").find("\r\nPatchTitle=Quillmark 16.1 Service Pack 1\r\n"),
            std::string::npos);
  const auto beyond = RunMspTool({"describe", dir / "p.msp",
                                  SPINSTALL_SOURCE_DIR "/resources/supplied-descriptor.txt.in",
                                  dir / "227.txt", "22"});
  EXPECT_EQ(beyond.exitStatus, 1);
  EXPECT_NE(beyond.standardError.find("no target product number \"22\" among 21"),
            std::string::npos);
  const std::string descriptor = ReadFileBytes(dir / "206.txt");
  EXPECT_NE(descriptor.find("\r\nPatchSize=" + std::to_string(ReadFileBytes(dir / "p.msp").size()) +
                            "\r\n"),
            std::string::npos);
  EXPECT_NE(descriptor.find("\r\nProductVersionCandidate=16.1.63.10,\r\n"), std::string::npos);
  EXPECT_EQ(descriptor.substr(descriptor.size() - 2), "\r\n");
  const auto check = RunMspTool({"check", dir / "p.msp", dir / "206.txt", dir / "226.txt"});
  EXPECT_EQ(check.exitStatus, 0) << check.standardError;
  EXPECT_EQ(check.standardError, "");

  // One byte more in the package, and the descriptor no longer describes it.
  WriteFileBytes(dir / "p.msp", ReadFileBytes(dir / "p.msp") + '\0');
  const auto stale = RunMspTool({"check", dir / "p.msp", dir / "206.txt"});
  EXPECT_EQ(stale.exitStatus, 1);
  EXPECT_NE(stale.standardError.find(dir / "206.txt" + ": descriptor PatchSize"), std::string::npos)
      << stale.standardError;
}

TEST(DescribeTest, FillsTheVersionRuleTargetsAndPatchCode) {
  TempDir dir;
  ASSERT_EQ(RunMspTool({"author", DefinitionIn(dir.path()), dir / "p.msp"}).exitStatus, 0);
  WriteFileBytes(dir / "facts.in", "@KEYWORDS@|@TARGETS@|@PATCH_CODE@\n");
  const auto describe = RunMspTool({"describe", dir / "p.msp", dir / "facts.in", dir / "facts"});
  ASSERT_EQ(describe.exitStatus, 0) << describe.standardError;
  const std::string facts = ReadFileBytes(dir / "facts");
  // The first value of `key` in the definition the package was authored from.
  const std::string definition = ReadFileBytes(dir / "package.def");
  const auto value = [&](const std::string& key) {
    const auto at = definition.find("\n" + key + " = ") + key.size() + 4;
    return definition.substr(at, definition.find('\n', at) - at);
  };
  const std::string head = value("version-rule") + "|" + value("target") + ";";
  const std::string tail = "|" + value("patch-code") + "\r\n";
  EXPECT_EQ(facts.substr(0, head.size()), head);
  ASSERT_GT(facts.size(), tail.size());
  EXPECT_EQ(facts.substr(facts.size() - tail.size()), tail);
}

struct BrokenPackage {
  const char* name;
  msptool::PatchSummary summary;
  std::string message;
};

msptool::PatchSummary Summary(const std::string& targets, const std::string& rule,
                              const std::string& patchCode = kB) {
  msptool::PatchSummary s;
  s.title = "test";
  s.targets = targets;
  s.keywords = rule;
  s.patchCode = patchCode;
  return s;
}

class BrokenPackageTest : public testing::TestWithParam<BrokenPackage> {};

// A supplied package is checked as strictly as an authored one.
TEST_P(BrokenPackageTest, CheckStopsAndNamesTheValue) {
  const auto& row = GetParam();
  TempDir dir;
  // One target is enough for a transform list; the values are written unchecked.
  std::string error;
  ASSERT_TRUE(
      msptool::WritePatchPackage(row.summary, SmallPatch(kA, kB).body, dir / "p.msp", error))
      << error;
  const auto run = RunMspTool({"check", dir / "p.msp"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find(row.message), std::string::npos) << run.standardError;
}

INSTANTIATE_TEST_SUITE_P(
    Packages, BrokenPackageTest,
    testing::Values(BrokenPackage{"trailing_semicolon", Summary(kA + ";", "16.1.84.0;16.1.63.10,"),
                                  "ends with ';': \"" + kA + ";\""},
                    BrokenPackage{"blank_between_codes",
                                  Summary(kA + "; " + kB, "16.1.84.0;16.1.63.10,"),
                                  "\" " + kB + "\""},
                    BrokenPackage{"candidate_without_comma", Summary(kA, "16.1.84.0;16.1.63.10"),
                                  "candidate version \"16.1.63.10\""},
                    BrokenPackage{"rule_starting_with_semicolon", Summary(kA, ";16.1.63.10,"),
                                  "\";16.1.63.10,\""},
                    BrokenPackage{"patch_code_not_a_guid",
                                  Summary(kA, "16.1.84.0;16.1.63.10,", "SP1"),
                                  "patch code (property 9) \"SP1\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckTest, PackageWithoutTransformsIsRefused) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(
      msptool::WritePatchPackage(Summary(kA, "16.1.84.0;16.1.63.10,"), {}, dir / "p.msp", error));
  const auto run = RunMspTool({"check", dir / "p.msp"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find("transform list (property 8) \"\""), std::string::npos)
      << run.standardError;
}

struct BrokenShape {
  const char* name;
  void (*breaks)(std::vector<msptool::Transform>& transforms);
  std::string message;
};

class BrokenShapeTest : public testing::TestWithParam<BrokenShape> {};

// Refused for a package msp_tool authored; only a warning for one supplied,
// which another tool may have shaped otherwise.
TEST_P(BrokenShapeTest, AuthoredCheckStopsSuppliedCheckWarns) {
  const auto& row = GetParam();
  TempDir dir;
  auto body = SmallPatch(kA, kB).body;
  row.breaks(body.transforms);
  std::string error;
  ASSERT_TRUE(
      msptool::WritePatchPackage(Summary(kA, "16.1.84.0;16.1.63.10,"), body, dir / "p.msp", error))
      << error;
  const auto authored = RunMspTool({"check", "--authored", dir / "p.msp"});
  EXPECT_EQ(authored.exitStatus, 1);
  EXPECT_NE(authored.standardError.find("error: " + dir / "p.msp" + ": " + row.message),
            std::string::npos)
      << authored.standardError;
  const auto supplied = RunMspToolShowingOutput({"check", dir / "p.msp"});
  EXPECT_EQ(supplied.exitStatus, 0);
  EXPECT_NE(supplied.standardError.find("warning: " + dir / "p.msp" + ": " + row.message),
            std::string::npos)
      << supplied.standardError;
  EXPECT_NE(supplied.standardError.find(dir / "p.msp" + ": not the Windows patch shape"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, BrokenShapeTest,
    testing::Values(
        BrokenShape{"validation_in_the_lower_word",
                    [](auto& t) {
                      t[0].summary.validation = 0;
                      t[0].summary.errorConditions = msptool::msi::kValidateProductCode;
                    },
                    "transform \"T1\" has its validation flags in the lower word of property 16 "
                    "(0x00000002)"},
        BrokenShape{"no_validation_where_files_change",
                    [](auto& t) {
                      t[0].summary.validation = t[0].summary.errorConditions = 0;
                      auto file = msptool::msi::NoChanges(msptool::kFileTable);
                      file.updated.push_back({{}, msptool::NamedRow(msptool::kFileTable, {}), {3}});
                      t[0].diff.tables.push_back(file);
                    },
                    "transform \"T1\" changes File rows but validates nothing"},
        BrokenShape{"data_transform_without_its_partner", [](auto& t) { t.pop_back(); },
                    "data transform \"T1\" has no patch transform \"#T1\" after it"},
        BrokenShape{
            "patch_transform_without_patch_package",
            [](auto& t) {
              std::erase_if(t[1].diff.tables,
                            [](const auto& table) { return table.name == "PatchPackage"; });
            },
            "patch transform \"#T1\" has no PatchPackage row for the patch code \"" + kB + "\""},
        BrokenShape{"patch_transform_without_page_count",
                    [](auto& t) { t[1].summary.pageCount = 0; },
                    "transform \"#T1\" has no Page Count (property 14)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckTest, ValidationWordsOfAWindowsMadePatchPass) {
  TempDir dir;
  auto body = SmallPatch(kA, kB).body;
  for (auto& t : body.transforms) t.summary.errorConditions = 0x0017;
  body.transforms[1].summary.validation = 0x0927;
  std::string error;
  ASSERT_TRUE(
      msptool::WritePatchPackage(Summary(kA, "16.1.84.0;16.1.63.10,"), body, dir / "p.msp", error));
  const auto check = RunMspTool({"check", "--authored", dir / "p.msp"});
  EXPECT_EQ(check.exitStatus, 0) << check.standardError;
  EXPECT_EQ(check.standardError, "");
}

TEST(CheckTest, AuthoredPackageHasTheWindowsShape) {
  TempDir dir;
  ASSERT_EQ(RunMspTool({"author", DefinitionIn(dir.path()), dir / "p.msp"}).exitStatus, 0);
  const auto check = RunMspToolShowingOutput({"check", "--authored", dir / "p.msp"});
  EXPECT_EQ(check.exitStatus, 0) << check.standardError;
  EXPECT_EQ(check.standardError,
            dir / "p.msp" +
                ": Windows patch shape: 21 transform pairs, validation in the upper word of "
                "property 16, PatchPackage rows for {BB5574F9-054D-4C64-928E-267B70B60BF3}, "
                "MsiPatchSequence\n");
}

TEST(CheckTest, FileThatIsNoPackageIsRefused) {
  TempDir dir;
  WriteFileBytes(dir / "p.msp", "not a package");
  const auto run = RunMspTool({"check", dir / "p.msp"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find("is not an installer package"), std::string::npos)
      << run.standardError;
}

// A mutated package that crashed libmsi inside msp_tool: every command that
// reads it, create included, refuses it with a message and writes nothing.
TEST(CheckTest, PackageThatCrashesTheReaderIsRefused) {
  TempDir dir;
  const std::string crash = SPINSTALL_SOURCE_DIR "/tests/tools/cases/crash-in-summary-reader.msp";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"check", crash},
        {"describe", crash, SPINSTALL_SOURCE_DIR "/resources/descriptors/206.txt.in", dir / "d"},
        {"stamp", crash, dir / "s.msp", "16.1.84.0;16.1.63.10,"},
        {"create", dir / "c.msp", crash, crash},
        {"transform", crash, crash, dir / "t.mst"},
        {"diff", crash, crash}}) {
    const auto run = RunMspTool(args);
    EXPECT_EQ(run.exitStatus, 1) << args[0];
    EXPECT_NE(run.standardError.find("msp_tool: error: " + crash), std::string::npos)
        << run.standardError;
    EXPECT_NE(run.standardError.find(" is not a"), std::string::npos) << run.standardError;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(UsageTest, UnknownCommandShowsUsage) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"author", "x"}, {"frobnicate", "a", "b"}}) {
    const auto run = RunMspTool(args);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.standardError.find("usage: msp_tool"), std::string::npos);
  }
}

}  // namespace
}  // namespace toolstest
