#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/child_run.h"
#include "support/full_device.h"
#include "support/process_state.h"
#include "support/temp_dir.h"

namespace spinstall::platform {
namespace {

using host::Widen;
using testsupport::PathExists;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;
using Mode = OutputFile::Mode;

bool IsSymlink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class OutputFileTest : public testing::Test {
 protected:
  void SetUp() override { testsupport::ResetProcessState(); }
  void TearDown() override { testsupport::ResetProcessState(); }

  bool WriteText(OutputFile& file, const std::string& text) {
    return file.Write(text.data(), text.size());
  }

  testsupport::TempDir dir_;
};

// Whatever already stands under a name to be created anew refuses the
// create; nothing is written there or through it.
TEST_F(OutputFileTest, CreateNewRefusesAnythingPresent) {
  WriteFileBytes(dir_ / "file", "file");
  WriteFileBytes(dir_ / "victim", "victim");
  std::filesystem::create_symlink(dir_ / "victim", dir_ / "link");
  std::filesystem::create_symlink(dir_ / "absent", dir_ / "dangling");
  std::filesystem::create_directory(dir_ / "dir");
  for (const char* name : {"file", "link", "dangling", "dir"}) {
    OutputFile file;
    SetLastError(0);
    EXPECT_FALSE(file.Open(Widen(dir_ / name), Mode::CreateNew)) << name;
    EXPECT_EQ(LastError(), kErrorFileExists) << name;
    EXPECT_FALSE(file.IsOpen()) << name;
  }
  EXPECT_EQ(ReadFileBytes(dir_ / "file"), "file");
  EXPECT_EQ(ReadFileBytes(dir_ / "victim"), "victim");
  EXPECT_TRUE(IsSymlink(dir_ / "link"));
  EXPECT_FALSE(PathExists(dir_ / "absent"));
}

TEST_F(OutputFileTest, CreateNewIsOwnerOnlyWhateverTheMask) {
  const mode_t previous = ::umask(0);
  OutputFile file;
  const bool opened = file.Open(Widen(dir_ / "new"), Mode::CreateNew);
  ::umask(previous);
  ASSERT_TRUE(opened);
  EXPECT_TRUE(WriteText(file, "abc"));
  EXPECT_TRUE(file.Close(OutputFile::Sync::ToDisk));
  struct stat st;
  ASSERT_EQ(::stat((dir_ / "new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(ReadFileBytes(dir_ / "new"), "abc");
}

// Only a device or pipe is opened as it is: never a regular file, and a pipe
// without a reader fails at once.
TEST_F(OutputFileTest, DirectOpenRefusesRegularFilesAndNeverWaitsForAReader) {
  WriteFileBytes(dir_ / "old", "0123456789");
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  const auto refused = [&](const char* name) {
    return testsupport::RunInChild(
        [&] { return OutputFile().Open(Widen(dir_ / name), Mode::CreateOrTruncate); });
  };
  EXPECT_EQ(refused("old") + refused("pipe"), 0);
  EXPECT_EQ(ReadFileBytes(dir_ / "old"), "0123456789");
}

TEST_F(OutputFileTest, DiscardRemovesCreatedFilesAndKeepsLastError) {
  for (const Mode mode : {Mode::CreateNew, Mode::CreateReplacement}) {
    OutputFile file;
    ASSERT_TRUE(file.Open(Widen(dir_ / "part"), mode));
    EXPECT_TRUE(WriteText(file, "partial"));
    SetLastError(kErrorDiskFull);
    file.Discard();
    EXPECT_EQ(LastError(), kErrorDiskFull);
    EXPECT_FALSE(PathExists(dir_ / "part"));
    EXPECT_FALSE(file.IsOpen());
  }
}

// Extraction discards after a close that failed: the file is closed by then.
TEST_F(OutputFileTest, DiscardAfterCloseStillRemoves) {
  OutputFile file;
  ASSERT_TRUE(file.Open(Widen(dir_ / "part"), Mode::CreateNew));
  EXPECT_TRUE(file.Close(OutputFile::Sync::ToDisk));
  file.Discard();
  EXPECT_FALSE(PathExists(dir_ / "part"));
}

TEST_F(OutputFileTest, DiscardLeavesFileThatReplacedOurs) {
  OutputFile file;
  ASSERT_TRUE(file.Open(Widen(dir_ / "name"), Mode::CreateNew));
  // Someone else's file takes the name while ours is open.
  WriteFileBytes(dir_ / "theirs", "theirs");
  ASSERT_EQ(std::rename((dir_ / "theirs").c_str(), (dir_ / "name").c_str()), 0);
  file.Discard();
  EXPECT_EQ(ReadFileBytes(dir_ / "name"), "theirs");
}

TEST_F(OutputFileTest, DiscardLeavesDevices) {
  const std::string device = testsupport::FullDevice(dir_.path());
  OutputFile file;
  ASSERT_TRUE(file.Open(Widen(device), Mode::CreateOrTruncate));
  EXPECT_FALSE(WriteText(file, "x"));
  EXPECT_EQ(LastError(), kErrorDiskFull);
  file.Discard();
  struct stat st;
  ASSERT_EQ(::lstat(device.c_str(), &st), 0) << device;
  EXPECT_TRUE(S_ISCHR(st.st_mode)) << device;
}

TEST_F(OutputFileTest, UnopenedFileRefusesWork) {
  OutputFile file;
  EXPECT_FALSE(WriteText(file, "x"));
  EXPECT_EQ(LastError(), kErrorInvalidHandle);
  EXPECT_FALSE(file.Close(OutputFile::Sync::ToDisk));
  file.Discard();  // harmless

  ASSERT_TRUE(file.Open(Widen(dir_ / "once"), Mode::CreateNew));
  EXPECT_TRUE(file.Close(OutputFile::Sync::ToDisk));
  EXPECT_FALSE(WriteText(file, "late"));
  EXPECT_FALSE(file.Close(OutputFile::Sync::ToDisk));
  EXPECT_EQ(ReadFileBytes(dir_ / "once"), "");
}

}  // namespace
}  // namespace spinstall::platform
