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

struct Entry {
  std::string processId;
  std::string text;
};

class RunLogTest : public testsupport::FreshProcessTest {
 protected:
  // The log's lines split into the process id and the text, checking that
  // each starts with a timestamp and the id. Only the start goes through the
  // regex: matching whole lines of the concurrency test that way took most of
  // its time.
  static std::vector<Entry> Entries(const std::string& path) {
    static const std::regex start(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] )");
    constexpr std::size_t kStamp = 24, kLongestStart = kStamp + 13;
    std::vector<Entry> entries;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);) {
      EXPECT_TRUE(line.ends_with('\r') && line.find('\r') == line.size() - 1) << line;
      line.pop_back();
      const auto end = line.find("] ", kStamp);
      std::smatch match;
      const std::string head = line.substr(0, end == std::string::npos ? 0 : end + 2);
      EXPECT_TRUE(head.size() <= kLongestStart && std::regex_match(head, match, start)) << line;
      entries.push_back({match.empty() ? "" : match[1].str(), line.substr(head.size())});
    }
    return entries;
  }
  // The texts alone, each line checked as Entries does.
  static std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    for (auto& entry : Entries(path)) lines.push_back(std::move(entry.text));
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
  // Nothing a viewer may show as a line break stays in a line, nor anything
  // that reorders it.
  Line(
      L"a\r\nb\vc\fd\x1B[2Ke\x85"
      L"f\x2028g\x2029h\ti\x7Fj\x9Bk\x202El");
  CloseRunLog();
  EXPECT_EQ(Lines(path), std::vector<std::string>{"a  b c d [2Ke f g h i j kl"});
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
  const std::string run = "\\[" + std::to_string(::getpid()) + "\\]";
  EXPECT_TRUE(std::regex_match(
      ReadFileBytes(scratch_ / "run.log"),
      std::regex("earlier\r\n.{23} " + run + " later\r\n.{23} " + run + " last\r\n")));
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

TEST_F(RunLogTest, ConcurrentRunsSharingOneLogKeepWholeLinesEachNamingItsRun) {
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
  const auto entries = Entries(path);
  ASSERT_EQ(entries.size(), static_cast<std::size_t>(kRuns * kLines));
  for (const auto& entry : entries) {
    const int run = entry.text.empty() ? -1 : entry.text[0] - 'a';
    ASSERT_TRUE((run == 0 || run == 1) && entry.text == std::string(kLength, entry.text[0]))
        << entry.text.substr(0, 80);
    ASSERT_EQ(entry.processId, std::to_string(children[static_cast<std::size_t>(run)]));
  }
}

}  // namespace
}  // namespace spinstall::log
