// Runs the host build of the program as its own process.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct ProgramRun {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string standardError;
};

// Runs SPINSTALL_PROGRAM with `args` in `workDirectory`, with this process's
// environment changed by `env` (name, value; an empty value unsets it).
// Standard output is discarded.
ProgramRun RunHostProgram(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          const std::string& workDirectory);

}  // namespace testsupport
