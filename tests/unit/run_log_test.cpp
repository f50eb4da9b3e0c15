// The run log's file: where it goes, that a planted name is never written
// through, that a log that cannot be opened changes nothing, and that runs
// sharing one log keep their lines whole.
#include "log/run_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

#include "platform/error_codes.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/child_run.h"
#include "support/fresh_process.h"
#include "support/process_limits.h"
#include "support/temp_dir.h"

namespace spinstall::log {
namespace {

using platform::host::Narrow;
using platform::host::Widen;
using testsupport::ReadFileBytes;

class RunLogTest : public testsupport::FreshProcessTest {
 protected:
  // The log's lines without their timestamps, checking that each has one.
  // Only the stamp goes through the regex: matching whole lines of the
  // concurrency test that way took most of its time.
  static std::vector<std::string> Lines(const std::string& path) {
    static const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    constexpr std::size_t kStamp = 24;
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);) {
      EXPECT_TRUE(std::regex_match(line.substr(0, kStamp), stamp) && line.ends_with('\r') &&
                  line.find('\r') == line.size() - 1)
          << line;
      line.pop_back();
      lines.push_back(line.substr(std::min(kStamp, line.size())));
    }
    return lines;
  }
};

TEST(RunLogNames, NameAndTimestampArePaddedDigits) {
  const platform::LocalTime time{2026, 3, 7, 4, 5, 6, 9};
  EXPECT_EQ(DefaultLogName(time, 4242), L"spinstall-20260307-040506-4242.log");
  EXPECT_EQ(Timestamp(time), L"2026-03-07 04:05:06.009");
}

TEST_F(RunLogTest, DefaultLogIsANewOwnerOnlyFileInTheTemporaryDirectory) {
  ASSERT_TRUE(OpenRunLog(L""));
  const std::string path = Narrow(RunLogPath());
  EXPECT_EQ(std::filesystem::path(path).parent_path(), TempDirectory());
  EXPECT_TRUE(std::regex_match(std::filesystem::path(path).filename().string(),
                               std::regex(R"(spinstall-\d{8}-\d{6}-\d+\.log)")))
      << path;
  // Nothing a viewer may show as a line break stays in a line.
  Line(
      L"a\r\nb\vc\fd\x1B[2Ke\x85"
      L"f\x2028g\x2029h\ti\x7Fj\x9Bk");
  CloseRunLog();
  EXPECT_EQ(Lines(path), std::vector<std::string>{"a  b c d [2Ke f g h i j k"});
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RunLogTest, PlantedFileOrLinkAtTheDefaultNameIsNeverWrittenThrough) {
  const std::string target = scratch_ / "target";
  testsupport::WriteFileBytes(target, "keep");
  const std::string name =
      Narrow(DefaultLogName(platform::CurrentLocalTime(), platform::CurrentProcessId()));
  const std::string stem = TempDirectory() + "/" + name.substr(0, name.size() - 4);
  std::filesystem::create_symlink(target, TempDirectory() + "/" + name);
  testsupport::WriteFileBytes(stem + "-2.log", "planted");

  ASSERT_TRUE(OpenRunLog(L""));
  Line(L"text");
  const std::string path = Narrow(RunLogPath());
  CloseRunLog();
  EXPECT_EQ(ReadFileBytes(target), "keep");
  EXPECT_EQ(ReadFileBytes(stem + "-2.log"), "planted");
  // A second boundary between the plant and the open picks another name.
  EXPECT_TRUE(path == stem + "-3.log" || path.find(name) == std::string::npos) << path;
  EXPECT_EQ(Lines(path), std::vector<std::string>{"text"});
}

TEST_F(RunLogTest, GivenPathIsAppendedToAndMadeFull) {
  testsupport::CurrentDirectory here(scratch_.path());
  testsupport::WriteFileBytes(scratch_ / "run.log", "earlier");  // its line is ended first
  ASSERT_TRUE(OpenRunLog(L"run.log"));
  EXPECT_EQ(Narrow(RunLogPath()), scratch_ / "run.log");
  Line(L"later");
  Line(L"last");
  CloseRunLog();
  EXPECT_TRUE(std::regex_match(ReadFileBytes(scratch_ / "run.log"),
                               std::regex("earlier\r\n.{23} later\r\n.{23} last\r\n")));
}

// The installer's log is made beside the run log, given or default, never
// through a link planted at its name: that name is passed over.
TEST_F(RunLogTest, PlantedLinkAtTheInstallerLogIsPassedOver) {
  const std::string victim = scratch_ / "victim";
  testsupport::WriteFileBytes(victim, "keep");
  for (const std::wstring& given : {Widen(scratch_ / "given.log"), std::wstring()}) {
    ASSERT_TRUE(OpenRunLog(given));
    const std::string path = Narrow(RunLogPath());
    std::filesystem::create_symlink(victim, path + ".installer.log");
    std::uint32_t error = 1;
    EXPECT_EQ(Narrow(CreateInstallerLog(error)), path + ".installer-2.log");
    EXPECT_EQ(ReadFileBytes(path + ".installer-2.log"), "");
    CloseRunLog();
    EXPECT_TRUE(CreateInstallerLog(error).empty());  // no run log
  }
  EXPECT_EQ(ReadFileBytes(victim), "keep");
}

TEST_F(RunLogTest, UnopenableLogWritesNothingAndKeepsTheLastError) {
  platform::SetLastError(1234);
  EXPECT_FALSE(OpenRunLog(Widen(scratch_.path())));  // a folder
  EXPECT_EQ(platform::LastError(), 1234u);
  ASSERT_EQ(::mkfifo((scratch_ / "pipe").c_str(), 0600), 0);  // nobody reads: no wait
  EXPECT_EQ(testsupport::RunInChild([&] { return OpenRunLog(Widen(scratch_ / "pipe")); }), 0);
  EXPECT_TRUE(RunLogPath().empty());
  Line(L"lost");
  EXPECT_EQ(platform::LastError(), 1234u);
}

TEST_F(RunLogTest, ConcurrentRunsSharingOneLogKeepWholeLines) {
  const std::string path = scratch_ / "shared.log";
  constexpr int kRuns = 2, kLines = 500, kLength = 20000;
  std::vector<pid_t> children;
  for (int run = 0; run < kRuns; ++run) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Opened for each line: each opening looks at the end of the file while
      // the other run may be writing a line of several pages.
      const std::wstring text(kLength, static_cast<wchar_t>(L'a' + run));
      for (int i = 0; i < kLines; ++i) {
        OpenRunLog(Widen(path));
        Line(text);
      }
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) ::waitpid(child, nullptr, 0);
  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRuns * kLines));
  for (const auto& line : lines)
    ASSERT_TRUE(line == std::string(kLength, 'a') || line == std::string(kLength, 'b'))
        << line.substr(0, 80);
}

}  // namespace
}  // namespace spinstall::log
