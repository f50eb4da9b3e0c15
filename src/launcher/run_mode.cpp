#include "launcher/run_mode.h"

#include <new>
#include <string_view>

#include "platform/environment.h"

namespace spinstall::launcher {
namespace {

// `name` is lower case.
bool IsOption(const std::wstring& arg, std::wstring_view name) {
  if (arg.size() != name.size()) return false;
  for (std::size_t i = 0; i < arg.size(); ++i) {
    const wchar_t c = arg[i];
    if ((c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c) != name[i]) return false;
  }
  return true;
}

// Whole seconds in ASCII digits, up to the most a run may wait.
bool ReadSeconds(const std::wstring& text, std::uint32_t& seconds) {
  if (text.empty()) return false;
  std::uint32_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - L'0');
    if (value > apply::kMaxBusyWaitSeconds) return false;
  }
  seconds = value;
  return true;
}

}  // namespace

RunMode& CurrentRunMode() {
  static RunMode mode;
  return mode;
}

void ParseArguments(const std::vector<std::wstring>& args, RunMode& mode) {
  mode = RunMode{};
  try {
    for (std::size_t i = 1; i < args.size();) {
      const std::wstring& arg = args[i];
      const bool hasNext = i + 1 < args.size();
      if (IsOption(arg, L"/q")) {
        mode.quiet = true;
        i += 1;
      } else if (IsOption(arg, L"/e")) {
        mode.extract = true;
        mode.install = false;
        if (hasNext) mode.extractPath = args[i + 1];
        i += hasNext ? 2 : 1;
      } else if (IsOption(arg, L"/p")) {
        mode.patchList = true;
        mode.install = false;
        if (hasNext) mode.patchListPath = args[i + 1];
        i += hasNext ? 2 : 1;
      } else if (IsOption(arg, L"/i")) {
        mode.install = false;
        mode.info = true;
        break;
      } else if (IsOption(arg, L"/log")) {
        if (hasNext) mode.logPath = args[i + 1];
        i += hasNext ? 2 : 1;
      } else if (IsOption(arg, L"/busywait")) {
        if (hasNext) ReadSeconds(args[i + 1], mode.busyWaitSeconds);
        i += hasNext ? 2 : 1;
      } else if (IsOption(arg, L"/exitcode")) {
        mode.exitCode = true;
        i += 1;
      } else if (IsOption(arg, L"/norestart")) {
        mode.restart = apply::RestartOption::Never;
        i += 1;
      } else if (IsOption(arg, L"/promptrestart")) {
        mode.restart = apply::RestartOption::Prompt;
        i += 1;
      } else if (IsOption(arg, L"/forcerestart")) {
        mode.restart = apply::RestartOption::Force;
        i += 1;
      } else if (IsOption(arg, L"/?") || IsOption(arg, L"/h") || IsOption(arg, L"/help")) {
        // Never an installation: an administrator asking for the options.
        mode.install = false;
        mode.help = true;
        break;
      } else {
        i += 1;
      }
    }
  } catch (const std::bad_alloc&) {
    // Memory ran out while storing a path: the options seen so far stand.
  }
}

bool ParseCommandLine() {
  ParseArguments(platform::CommandLineArguments(), CurrentRunMode());
  return true;
}

}  // namespace spinstall::launcher
