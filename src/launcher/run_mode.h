// What the command line asks for.
#pragma once

#include <string>
#include <vector>

namespace spinstall::launcher {

struct RunMode {
  bool install = true;
  bool quiet = false;
  bool extract = false;
  std::wstring extractPath;
  bool patchList = false;
  std::wstring patchListPath;
  bool info = false;
};

// The process-wide mode, written only by ParseCommandLine.
RunMode& CurrentRunMode();

// Walks `args` (element 0, the program path, is skipped) and fills `mode`
// from its defaults. Option names match whole arguments, ignoring the case of
// ASCII letters; "/e" and "/p" take the next argument, whatever it is, as
// their path; "/i" ends the walk; anything else is ignored.
void ParseArguments(const std::vector<std::wstring>& args, RunMode& mode);

// Fills the process-wide mode from the process's command line. Always true.
bool ParseCommandLine();

}  // namespace spinstall::launcher
