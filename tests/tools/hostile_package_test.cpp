// msp_tool on packages made to harm the machine it runs on: an output that
// is another's file or a link to one, a package that names files outside
// its folder, install names that climb out of the product's folder, a
// cabinet that is a device or FIFO, a compound file whose directory libgsf
// reads short. Each is refused with exit status 1 and a message, or done
// without touching what is not msp_tool's; nothing waits forever.
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <tuple>

#include "checks/install_names.h"
#include "compound/reader.h"
#include "compound/stream_name.h"
#include "msi/database_reader.h"
#include "patch/package_writer.h"
#include "support/authoring.h"
#include "support/limited_run.h"
#include "support/package_copy.h"
#include "support/small_patch.h"
#include "support/temp_dir.h"

namespace toolstest {
namespace {

using msptool::msi::Database;
using msptool::msi::Value;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;
namespace fs = std::filesystem;

const std::string kGerman = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";
const std::string kBaseline = "16.1.63.10", kUpgraded = "16.1.84.0";

Database Read(const std::string& path) {
  Database db;
  std::string error;
  EXPECT_TRUE(msptool::msi::ReadDatabase(path, db, error)) << error;
  return db;
}

// The folder's entries, names only.
std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// --- Output -----------------------------------------------------------------

struct OutputCase {
  const char* name;
  // Prepares `dir` for an output "out.msp"; the victim file is dir/victim.
  std::function<void(const TempDir& dir)> prepare;
};

class OutputTest : public testing::TestWithParam<OutputCase> {};

// Whatever lies at and beside the output before, msp_tool deletes none of
// it and writes through no link: the victim keeps its bytes, and the command
// leaves no folder of its own behind.
TEST_P(OutputTest, CreateWritesThroughNoLinkAndDeletesNothingItDidNotMake) {
  TempDir dir;
  WriteFileBytes(dir / "victim", "victim's");
  GetParam().prepare(dir);
  const auto before = Listing(dir.path());
  const auto run = RunMspTool({"create", dir / "out.msp", ProductPackage(kGerman, kBaseline),
                               ProductPackage(kGerman, kUpgraded)});
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_EQ(ReadFileBytes(dir / "victim"), "victim's");
  auto after = before;
  after.insert("out.msp");
  EXPECT_EQ(Listing(dir.path()), after);
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out.msp")));
  for (const char* other : {"out.msp.files", "out.msp.cab"}) {
    if (!before.count(other)) continue;
    EXPECT_TRUE(fs::exists(fs::symlink_status(dir / other))) << other;
  }
  if (fs::is_directory(dir / "out.msp.files")) {
    EXPECT_EQ(ReadFileBytes(dir / "out.msp.files/mine"), "mine");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, OutputTest,
    testing::Values(OutputCase{"nothing_there", [](const TempDir&) {}},
                    OutputCase{"folder_and_cabinet_of_another_beside_it",
                               [](const TempDir& dir) {
                                 fs::create_directory(dir / "out.msp.files");
                                 WriteFileBytes(dir / "out.msp.files/mine", "mine");
                                 WriteFileBytes(dir / "out.msp.cab", "mine");
                               }},
                    OutputCase{"cabinet_name_a_link_to_the_victim",
                               [](const TempDir& dir) {
                                 fs::create_symlink(dir / "victim", dir / "out.msp.cab");
                               }},
                    OutputCase{"output_a_link_to_the_victim",
                               [](const TempDir& dir) {
                                 fs::create_symlink(dir / "victim", dir / "out.msp");
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OutputTest, TransformAndDescribeWriteThroughNoLink) {
  TempDir dir;
  WriteFileBytes(dir / "victim", "victim's");
  fs::create_symlink(dir / "victim", dir / "out");
  const std::string baseline = ProductPackage(kGerman, kBaseline);
  ASSERT_EQ(RunMspTool({"transform", baseline, ProductPackage(kGerman, kUpgraded), dir / "out"})
                .exitStatus,
            0);
  EXPECT_EQ(ReadFileBytes(dir / "victim"), "victim's");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out")));
}

// --- Input confinement --------------------------------------------------------

struct SourceCase {
  const char* name;
  std::string cabinet;  // the Media row's; "" for an uncompressed source
  // Prepares the package's folder `pkg` (dir/pkg) and `dir` around it.
  std::function<void(const std::string& dir, const std::string& pkg)> prepare;
  std::string message;
};

class SourceTest : public testing::TestWithParam<SourceCase> {};

// The files a package names are read from inside its folder only: nothing
// from outside gets into the patch, and a device or FIFO is refused at once.
TEST_P(SourceTest, CreateRefusesFilesFromOutsideThePackagesFolder) {
  const auto& row = GetParam();
  TempDir dir;
  const std::string pkg = dir / "pkg";
  fs::create_directories(pkg + "/Quillmark");
  const std::string upgraded = ProductPackage(kGerman, kUpgraded);
  fs::copy(fs::path(upgraded).parent_path() / "files", pkg + "/Quillmark/Writer de-DE");
  Database db = Read(upgraded);
  for (auto& t : db.tables)
    if (t.name == "Media") t.rows[0][t.ColumnIndex("Cabinet")] = Value::String(row.cabinet);
  WritePackageCopy(upgraded, db, pkg + "/u.msi");
  row.prepare(dir.path(), pkg);
  const auto run = RunMspToolLimited({"create", dir / "out.msp", ProductPackage(kGerman, kBaseline),
                                      pkg + "/u.msi", "--time-limit", "20"});
  EXPECT_EQ(run.exitStatus, 1) << run.standardError;
  EXPECT_NE(run.standardError.find(row.message), std::string::npos) << run.standardError;
  EXPECT_FALSE(testsupport::PathExists(dir / "out.msp"));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SourceTest,
    testing::Values(
        SourceCase{"cabinet_an_absolute_path", "/etc/passwd", [](auto&, auto&) {},
                   "u.msi: cabinet \"/etc/passwd\" is not a path inside the package's folder"},
        SourceCase{"cabinet_above_the_package", "../outside.cab",
                   [](const std::string& dir, const std::string&) {
                     WriteFileBytes(dir + "/outside.cab", "MSCF");
                   },
                   "\"../outside.cab\" leaves the package's folder"},
        SourceCase{"cabinet_a_link_to_a_device", "zero.cab",
                   [](const std::string&, const std::string& pkg) {
                     fs::create_symlink("/dev/zero", pkg + "/zero.cab");
                   },
                   "\"zero.cab\" is a link to \"/dev/zero\", outside the package's folder"},
        SourceCase{"cabinet_a_fifo", "fifo.cab",
                   [](const std::string&, const std::string& pkg) {
                     ASSERT_EQ(::mkfifo((pkg + "/fifo.cab").c_str(), 0600), 0);
                   },
                   "\"fifo.cab\" is not a regular file"},
        SourceCase{"source_file_a_link_out_of_the_tree", "",
                   [](const std::string& dir, const std::string& pkg) {
                     const std::string file = pkg + "/Quillmark/Writer de-DE/readme.txt";
                     fs::copy_file(file, dir + "/secret");
                     fs::remove(file);
                     fs::create_symlink(dir + "/secret", file);
                   },
                   "outside the package's folder"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Install names --------------------------------------------------------------

struct NameCase {
  const char* name;
  std::string value;
  bool filename, defaultDir;  // whether each rule takes it
};

class InstallNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(InstallNameTest, FilenameAndDefaultDirRulesAsDocumented) {
  const auto& row = GetParam();
  EXPECT_EQ(msptool::FilenameProblem(row.value).empty(), row.filename)
      << msptool::FilenameProblem(row.value);
  EXPECT_EQ(msptool::DefaultDirProblem(row.value).empty(), row.defaultDir)
      << msptool::DefaultDirProblem(row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Names, InstallNameTest,
    testing::Values(
        NameCase{"short", "status.txt", true, true},
        NameCase{"short_and_long", "projec~1.txt|Project Status.txt", true, true},
        NameCase{"target_and_source", "QUILLM~1|Quillmark:SOURCE", false, true},
        NameCase{"the_parent_itself", ".", false, true},
        NameCase{"target_the_parent", ".:Quillmark", false, true},
        NameCase{"climbing_long_name", "letter.qmt|..\\..\\windows\\evil.txt", false, false},
        NameCase{"dots_alone", "..", false, false},
        NameCase{"dots_as_long_name", "x|..", false, false}, NameCase{"slash", "a/b", false, false},
        NameCase{"second_bar", "a|b|c", false, false},
        NameCase{"colon_in_a_file_name", "c:evil", false, true},
        NameCase{"question_mark", "a?", false, false},
        NameCase{"control_character", std::string("a\tb"), false, false},
        NameCase{"empty_long_name", "a|", false, false}, NameCase{"empty", "", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A File row that would have Windows write C:\windows\evil.txt: create
// refuses the package, check a patch that brings the row, naming both.
TEST(InstallNameTest, CreateAndCheckRefuseNamesThatClimb) {
  TempDir dir;
  const std::string upgraded = ProductPackage(kGerman, kUpgraded);
  const std::string evil = "letter.qmt|..\\..\\..\\..\\windows\\evil.txt";
  for (const auto& [table, key, column, value] :
       {std::tuple{"File", "letter.qmt", "FileName", evil},
        {"Directory", "INSTALLDIR", "DefaultDir", std::string("WRITER|..")}}) {
    Database db = Read(upgraded);
    SetCell(db, table, key, column, Value::String(value));
    WritePackageCopy(upgraded, db, dir / "u.msi");
    const auto run =
        RunMspTool({"create", dir / "out.msp", ProductPackage(kGerman, kBaseline), dir / "u.msi"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardError.find(dir / "u.msi" + ": table " + table + ", row \"" + key +
                                     "\": " + column + " \"" + value + "\""),
              std::string::npos)
        << run.standardError;
  }
  auto body = SmallPatch(kGerman, "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}").body;
  for (auto& change : body.transforms[0].diff.tables)
    if (change.name == "File")
      for (auto& u : change.updated) {
        u.after[2] = Value::String(evil);
        u.changed.push_back(2);
      }
  msptool::PatchSummary summary;
  summary.title = "t";
  summary.keywords = "16.1.84.0;16.1.63.10,";
  summary.targets = kGerman;
  summary.patchCode = "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}";
  std::string error;
  ASSERT_TRUE(msptool::WritePatchPackage(summary, body, dir / "p.msp", error)) << error;
  const auto check = RunMspTool({"check", dir / "p.msp"});
  EXPECT_EQ(check.exitStatus, 1);
  EXPECT_NE(check.standardError.find("transform \"T1\": table File, row \"f.txt\": FileName"),
            std::string::npos)
      << check.standardError;
}

// --- Whole compound files ---------------------------------------------------------

// The file with the size field of the directory entry named `name` (stored,
// UTF-8) set to 0xFFFFFFF0, which libgsf drops with a warning.
std::string WithEntryClaimingTooMuch(std::string bytes, const std::string& name) {
  std::unique_ptr<gunichar2, void (*)(gpointer)> units(
      g_utf8_to_utf16(name.c_str(), -1, nullptr, nullptr, nullptr), g_free);
  std::string utf16;
  for (const gunichar2* u = units.get(); *u; ++u) {
    utf16.push_back(static_cast<char>(*u & 0xFF));
    utf16.push_back(static_cast<char>(*u >> 8));
  }
  const auto at = bytes.find(utf16 + std::string(2, '\0'));
  EXPECT_NE(at, std::string::npos) << name;
  if (at != std::string::npos) bytes.replace(at + 0x78, 4, std::string("\xF0\xFF\xFF\xFF", 4));
  return bytes;
}

TEST(WholeCompoundFileTest, AnEntryTheLibraryDropsRefusesThePackage) {
  TempDir dir;
  const std::string baseline = ProductPackage(kGerman, kBaseline);
  const std::string upgraded = ProductPackage(kGerman, kUpgraded);
  const std::string fileTable = msptool::EncodeStreamName("File", true);
  WriteFileBytes(dir / "u.msi", WithEntryClaimingTooMuch(ReadFileBytes(upgraded), fileTable));
  ASSERT_EQ(RunMspTool({"create", dir / "good.msp", baseline, upgraded}).exitStatus, 0);
  WriteFileBytes(dir / "p.msp",
                 WithEntryClaimingTooMuch(ReadFileBytes(dir / "good.msp"), fileTable));
  const struct {
    std::vector<std::string> args;
    std::string message;
  } rows[] = {
      {{"create", dir / "out.msp", baseline, dir / "u.msi"}, "claiming 4294967280 bytes"},
      {{"diff", baseline, dir / "u.msi"}, "claiming 4294967280 bytes"},
      // The summary reader, which comes first, already refuses this one.
      {{"check", "--authored", dir / "p.msp"}, dir / "p.msp" + " is not"},
  };
  for (const auto& row : rows) {
    const auto run = RunMspTool(row.args);
    EXPECT_EQ(run.exitStatus, 1) << row.args[0];
    EXPECT_NE(run.standardError.find(row.message), std::string::npos) << run.standardError;
  }
}

// --- Time limit -----------------------------------------------------------------------

TEST(TimeLimitTest, AReadThatNeverEndsEndsAtTheLimitWithAMessage) {
  TempDir dir;
  ASSERT_EQ(RunMspTool({"author", DefinitionIn(dir.path()), dir / "p.msp"}).exitStatus, 0);
  ASSERT_EQ(::mkfifo((dir / "template").c_str(), 0600), 0);
  const auto run = RunMspToolLimited(
      {"describe", dir / "p.msp", dir / "template", dir / "d.txt", "--time-limit", "1"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardError.find(dir / "p.msp" +
                                   ": reading it took longer than the time limit of 1 seconds"),
            std::string::npos)
      << run.standardError;
  EXPECT_FALSE(testsupport::PathExists(dir / "d.txt"));
  for (const char* bad : {"0", "-1", "1.5", "x", "604801"})
    EXPECT_EQ(RunMspTool({"check", dir / "p.msp", "--time-limit", bad}).exitStatus, 2) << bad;
}

}  // namespace
}  // namespace toolstest
