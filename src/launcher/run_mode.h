// What the command line asks for.
#pragma once

#include <string>
#include <vector>

#include "apply/busy_installer.h"
#include "apply/restart_decision.h"

namespace spinstall::launcher {

struct RunMode {
  bool install = true;
  bool quiet = false;
  bool extract = false;
  std::wstring extractPath;
  bool patchList = false;
  std::wstring patchListPath;
  bool info = false;
  std::wstring logPath;   // the argument after "/log"; empty: the default log
  bool exitCode = false;  // "/exitcode": exit with the run's outcome
  bool help = false;      // "/?", "/h", "/help": the usage box and nothing else
  // "/norestart", "/promptrestart", "/forcerestart": the last one given counts.
  apply::RestartOption restart = apply::RestartOption::Default;
  // "/busywait seconds": how long, in all, a busy installer is waited for.
  std::uint32_t busyWaitSeconds = apply::kDefaultBusyWaitSeconds;
};

// The process-wide mode, written only by ParseCommandLine.
RunMode& CurrentRunMode();

// Walks `args` (element 0, the program path, is skipped) and fills `mode`
// from its defaults. Option names match whole arguments, ignoring the case of
// ASCII letters; "/e", "/p" and "/log" take the next argument, whatever it
// is, as their path, and "/busywait" as its seconds (ASCII digits, at most
// kMaxBusyWaitSeconds; anything else keeps the value before); "/i" and the
// help options end the walk; anything else is ignored.
void ParseArguments(const std::vector<std::wstring>& args, RunMode& mode);

// Fills the process-wide mode from the process's command line. Always true.
bool ParseCommandLine();

}  // namespace spinstall::launcher
