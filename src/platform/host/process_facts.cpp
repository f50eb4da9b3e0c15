// The host's stand-ins: the command line is the arguments joined again, and
// the system's texts are Windows' own for the codes the program meets.
#include "platform/process_facts.h"

#include <sys/time.h>
#include <unistd.h>

#include <ctime>

#include "platform/environment.h"

namespace spinstall::platform {
namespace {

struct CodeText {
  std::uint32_t code;
  const wchar_t* text;
};

constexpr CodeText kTexts[] = {
    {0, L"The operation completed successfully."},
    {2, L"The system cannot find the file specified."},
    {3, L"The system cannot find the path specified."},
    {5, L"Access is denied."},
    {80, L"The file exists."},
    {112, L"There is not enough space on the disk."},
    {1601, L"The Windows Installer Service could not be accessed."},
    {1603, L"Fatal error during installation."},
    {1605, L"This action is only valid for products that are currently installed."},
    {1612, L"The installation source for this product is not available."},
    {1618,
     L"Another installation is already in progress. Complete that installation before "
     L"proceeding with this install."},
    {1641,
     L"The requested operation completed successfully. The system will be restarted so the "
     L"changes can take effect."},
    {1642,
     L"The upgrade cannot be installed by the Windows Installer service because the program "
     L"to be upgraded may be missing, or the upgrade may update a different version of the "
     L"program."},
    {3010,
     L"The requested operation is successful. Changes will not be effective until the "
     L"system is rebooted."},
};

}  // namespace

LocalTime CurrentLocalTime() {
  timeval now = {};
  ::gettimeofday(&now, nullptr);
  tm local = {};
  ::localtime_r(&now.tv_sec, &local);
  return {static_cast<unsigned>(local.tm_year + 1900), static_cast<unsigned>(local.tm_mon + 1),
          static_cast<unsigned>(local.tm_mday),        static_cast<unsigned>(local.tm_hour),
          static_cast<unsigned>(local.tm_min),         static_cast<unsigned>(local.tm_sec),
          static_cast<unsigned>(now.tv_usec / 1000)};
}

void SleepSeconds(std::uint32_t seconds) {
  // sleep() ends early when a signal arrives: the rest is slept again.
  for (unsigned left = seconds; left > 0;) left = ::sleep(left);
}

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

std::wstring RawCommandLine() {
  std::wstring line;
  for (const auto& arg : CommandLineArguments()) {
    if (!line.empty()) line += L' ';
    const bool quote = arg.empty() || arg.find_first_of(L" \t") != std::wstring::npos;
    line += quote ? L"\"" + arg + L"\"" : arg;
  }
  return line;
}

std::wstring SystemMessageText(std::uint32_t code) {
  for (const auto& entry : kTexts)
    if (entry.code == code) return entry.text;
  return {};
}

}  // namespace spinstall::platform
