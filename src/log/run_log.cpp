#include "log/run_log.h"

#include <cstdio>

#include "messages/display_text.h"
#include "package/temporary_name.h"
#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/log_file.h"

namespace spinstall::log {
namespace {

constexpr std::uint32_t kPathChars = 1024;
constexpr int kNameTries = 9;

struct OpenLog {
  platform::LogFile file;
  std::wstring path;
  platform::LogFile installerLog;  // held for the installer
};

OpenLog& TheLog() {
  static OpenLog log;
  return log;
}

std::wstring Digits(unsigned value, int width) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%0*u", width, value);
  return text;
}

// Creates `name` + ".log", passing a taken name over for `name` + "-2.log"
// ... "-9.log"; `path` becomes the name tried last.
bool CreateFirstFree(const std::wstring& name, platform::LogFile& file,
                     platform::LogFile::Mode mode, std::wstring& path) {
  for (int n = 1; n <= kNameTries; ++n) {
    path = name + (n == 1 ? L"" : L"-" + std::to_wstring(n)) + L".log";
    if (file.Open(path, mode)) return true;
    if (platform::LastError() != platform::kErrorFileExists) return false;
  }
  return false;
}

// In the folder the temporary package goes to, so that a TMP naming a folder
// that is gone does not cost the run its log.
bool OpenDefault(OpenLog& log) {
  std::wstring directory;
  const auto length = platform::QueryTempPath(kPathChars, directory);
  if (length == 0 || length > kPathChars) return false;
  directory = package::ChooseTemporaryDirectory(directory);
  if (directory.empty()) return false;
  const std::wstring name =
      package::WithSeparator(directory) +
      DefaultLogName(platform::CurrentLocalTime(), platform::CurrentProcessId());
  return CreateFirstFree(name.substr(0, name.size() - 4),  // without ".log"
                         log.file, platform::LogFile::Mode::CreateNew, log.path);
}

bool OpenGiven(OpenLog& log, const std::wstring& path) {
  // Full, so that the installer's log beside it lands in the same folder
  // whichever process writes it.
  const auto length = platform::QueryFullPath(path, kPathChars, log.path);
  return length != 0 && length < kPathChars &&
         log.file.Open(log.path, platform::LogFile::Mode::Append);
}

}  // namespace

bool OpenRunLog(const std::wstring& path) {
  const std::uint32_t error = platform::LastError();
  OpenLog& log = TheLog();
  log.file.Close();
  log.installerLog.Close();
  const bool opened = path.empty() ? OpenDefault(log) : OpenGiven(log, path);
  if (!opened) log.path.clear();
  platform::SetLastError(error);
  return opened;
}

void CloseRunLog() {
  TheLog().file.Close();
  TheLog().installerLog.Close();
  TheLog().path.clear();
}

bool IsRunLogOpen() { return TheLog().file.IsOpen(); }

const std::wstring& RunLogPath() { return TheLog().path; }

std::wstring CreateInstallerLog(std::uint32_t& error) {
  OpenLog& log = TheLog();
  if (log.path.empty()) return {};
  const std::uint32_t previous = platform::LastError();
  std::wstring path;
  log.installerLog.Close();
  const bool created = CreateFirstFree(log.path + L".installer", log.installerLog,
                                       platform::LogFile::Mode::CreateForAnother, path);
  error = created ? platform::kErrorSuccess : platform::LastError();
  platform::SetLastError(previous);
  return created ? path : std::wstring();
}

void Line(std::wstring_view text) {
  OpenLog& log = TheLog();
  if (!log.file.IsOpen()) return;
  const std::uint32_t error = platform::LastError();
  // A product name or a message may hold line breaks, or what a viewer shows
  // as one, or reorder what follows it; a line stays a line, as it was
  // written. The process id tells apart the runs that share one log.
  log.file.AppendLine(LinePrefix(platform::CurrentLocalTime(), platform::CurrentProcessId()) +
                      messages::HarmlessText(text));
  platform::SetLastError(error);
}

std::wstring ResultText(std::uint32_t code) {
  const std::uint32_t error = platform::LastError();
  const std::wstring text = platform::SystemMessageText(code);
  platform::SetLastError(error);
  return std::to_wstring(code) + (text.empty() ? L"" : L" (" + text + L")");
}

std::wstring DefaultLogName(const platform::LocalTime& time, std::uint32_t processId) {
  return L"spinstall-" + Digits(time.year, 4) + Digits(time.month, 2) + Digits(time.day, 2) + L"-" +
         Digits(time.hour, 2) + Digits(time.minute, 2) + Digits(time.second, 2) + L"-" +
         std::to_wstring(processId) + L".log";
}

std::wstring LinePrefix(const platform::LocalTime& time, std::uint32_t processId) {
  return Timestamp(time) + L" [" + std::to_wstring(processId) + L"] ";
}

std::wstring Timestamp(const platform::LocalTime& time) {
  return Digits(time.year, 4) + L"-" + Digits(time.month, 2) + L"-" + Digits(time.day, 2) + L" " +
         Digits(time.hour, 2) + L":" + Digits(time.minute, 2) + L":" + Digits(time.second, 2) +
         L"." + Digits(time.millisecond, 3);
}

}  // namespace spinstall::log
