// Temporary names: the directory chosen, the counter, taken names, the limits.
#include "package/temporary_name.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "log/run_log.h"
#include "platform/error_codes.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/deep_directory.h"
#include "support/fresh_process.h"
#include "support/temp_dir.h"

namespace {

using spinstall::package::MakeTemporaryName;
using spinstall::platform::host::Narrow;
using spinstall::platform::host::Widen;

class TemporaryNameTest : public testsupport::FreshProcessTest {
 protected:
  // The name made for `directory`, as UTF-8; "(none)" when none is made.
  std::string NameIn(const std::string& directory) {
    const auto name = MakeTemporaryName(Widen(directory), L"MSP");
    return name ? Narrow(*name) : "(none)";
  }
  std::string dir_ = scratch_ / "tmp";
  void SetUp() override {
    FreshProcessTest::SetUp();
    std::filesystem::create_directory(dir_);
  }
};

TEST_F(TemporaryNameTest, CounterStartsAtTwoAndNeverRepeatsANumber) {
  EXPECT_EQ(NameIn(dir_), dir_ + "/MSP2");
  // Not created: the same directory still gives the next number.
  EXPECT_EQ(NameIn(dir_), dir_ + "/MSP3");
  EXPECT_EQ(NameIn(dir_ + "/"), dir_ + "/MSP4");
  EXPECT_EQ(spinstall::package::TemporaryNameCounter(), 4u);
}

TEST_F(TemporaryNameTest, TakenNamesAreSkipped) {
  testsupport::WriteFileBytes(dir_ + "/MSP2", "planted");
  std::filesystem::create_directory(dir_ + "/MSP3");
  std::filesystem::create_symlink(dir_ + "/nowhere", dir_ + "/MSP4");  // dangling
  std::filesystem::create_symlink(dir_ + "/MSP2", dir_ + "/MSP5");
  EXPECT_EQ(NameIn(dir_), dir_ + "/MSP6");
}

TEST_F(TemporaryNameTest, TmpComesFirstWhateverTheCaseOfItsName) {
  const std::string other = scratch_ / "other";
  std::filesystem::create_directory(other);
  env_.Set("TMP", other);
  EXPECT_EQ(NameIn(dir_), other + "/MSP2");
  env_.Unset("TMP");
  env_.Set("tmp", other + "/");
  EXPECT_EQ(NameIn(dir_), other + "/MSP3");
}

TEST_F(TemporaryNameTest, QuotedTmpLosesItsQuotes) {
  env_.Set("TMP", "\"" + dir_ + "\"");
  EXPECT_EQ(NameIn(scratch_ / "missing"), dir_ + "/MSP2");
  env_.Set("TMP", "\"" + dir_.substr(0, 4) + "\"" + dir_.substr(4) + "\"");
  EXPECT_EQ(NameIn(scratch_ / "missing"), dir_ + "/MSP3");
}

TEST_F(TemporaryNameTest, TmpThatDoesNotExistGivesTheCallersDirectory) {
  env_.Set("TMP", scratch_ / "missing");
  EXPECT_EQ(NameIn(dir_), dir_ + "/MSP2");
  env_.Set("TMP", "\"" + (scratch_ / "missing") + "\"");
  EXPECT_EQ(NameIn(dir_), dir_ + "/MSP3");
}

// TMP and the caller's directory (what QueryTempPath read: TMP itself on
// Windows) gone: the system's own temporary directory, never the root.
TEST_F(TemporaryNameTest, MissingTmpAndDirectoryGiveTheSystemsTemporaryDirectory) {
  env_.Set("TMP", scratch_ / "missing");
  EXPECT_EQ(NameIn(scratch_ / "missing"), TempDirectory() + "/MSP2");  // TMPDIR
  env_.Set("TMPDIR", scratch_ / "missing too");
  // Another user's MSP3 may be there already.
  EXPECT_TRUE(NameIn(scratch_ / "missing").starts_with("/tmp/MSP"));
}

spinstall::platform::PathState NothingExists(const std::wstring&) {
  return spinstall::platform::PathState::Missing;
}

TEST_F(TemporaryNameTest, NoDirectoryAtAllIsPathNotFoundAndLoggedWithWhatWasTried) {
  const std::string log = scratch_ / "run.log";
  ASSERT_TRUE(spinstall::log::OpenRunLog(Widen(log)));
  env_.Set("TMP", "\"" + (scratch_ / "gone") + "\"");
  EXPECT_EQ(spinstall::package::ChooseTemporaryDirectory(Widen(dir_), NothingExists), L"");
  EXPECT_EQ(spinstall::platform::LastError(), spinstall::platform::kErrorPathNotFound);
  spinstall::log::CloseRunLog();
  const std::string tried = "no temporary folder: none of \"\"" + (scratch_ / "gone") + "\"\", \"" +
                            (scratch_ / "gone") + "\", \"" + dir_ + "\", \"" + TempDirectory() +
                            "\", \"/tmp/\" exists\r\n";
  EXPECT_TRUE(testsupport::ReadFileBytes(log).ends_with(tried)) << testsupport::ReadFileBytes(log);
}

TEST_F(TemporaryNameTest, DirectoryOf245CharactersIsTheLongestThatGetsAName) {
  const std::string longest = testsupport::MakeDirectoryOfLength(scratch_.path(), 245);
  ASSERT_EQ(longest.size(), 245u);
  EXPECT_EQ(NameIn(longest), longest + "/MSP2");
  const std::string tooLong = testsupport::MakeDirectoryOfLength(scratch_.path(), 246);
  ASSERT_EQ(tooLong.size(), 246u);
  EXPECT_EQ(NameIn(tooLong), "(none)");
  // No number was used up.
  EXPECT_EQ(spinstall::package::TemporaryNameCounter(), 2u);
}

// TMP is pointed at the package's folder only when it names nothing that
// exists as it stands; a quoted TMP is broken for the installer too.
TEST_F(TemporaryNameTest, TmpThatNamesNothingIsPointedAtThePackagesFolder) {
  const std::string package = dir_ + "/MSP2";
  const std::string missing = scratch_ / "missing";
  const struct {
    std::optional<std::string> tmp;
    std::optional<std::string> after;
  } cases[] = {{std::nullopt, std::nullopt},
               {dir_, dir_},
               {missing, dir_ + "/"},
               {"\"" + dir_ + "\"", dir_ + "/"},
               {"", dir_ + "/"}};
  for (const auto& c : cases) {
    if (c.tmp)
      env_.Set("TMP", *c.tmp);
    else
      env_.Unset("TMP");
    spinstall::package::MendTmp(Widen(package));
    const char* after = std::getenv("TMP");
    EXPECT_EQ(after ? std::optional<std::string>(after) : std::nullopt, c.after)
        << c.tmp.value_or("(unset)");
  }
}

// MSP2 ... MSP32768 taken: every number one call may try. The probe answers
// for them, as making 32,767 files takes seconds.
spinstall::platform::PathState UpTo32768Taken(const std::wstring& path) {
  const auto digits = path.find_last_not_of(L"0123456789") + 1;
  if (digits == path.size()) return spinstall::platform::QueryPath(path);
  return std::stoul(path.substr(digits)) <= 32768 ? spinstall::platform::PathState::Exists
                                                  : spinstall::platform::PathState::Missing;
}

TEST_F(TemporaryNameTest, GivesUpAfter32767TakenNumbers) {
  EXPECT_EQ(MakeTemporaryName(Widen(dir_), L"MSP", UpTo32768Taken), std::nullopt);
  EXPECT_EQ(spinstall::package::TemporaryNameCounter(), 32769u);
  // The next call starts from there and finds MSP32770 free.
  EXPECT_EQ(MakeTemporaryName(Widen(dir_), L"MSP", UpTo32768Taken), Widen(dir_ + "/MSP32770"));
}

}  // namespace
