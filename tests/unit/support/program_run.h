// Runs a program (the host build of spinstall, a tool) as its own process.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// The first product on the carried package's target list.
constexpr const char* kFirstTarget = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";

// One installed product's section of the host stand-in's product registry
// (the file SPINSTALL_PRODUCTS names).
std::string RegistrySection(const std::string& code, const std::string& name,
                            const std::string& language, const std::string& version);

struct ProgramRun {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string standardError;
};

// Runs the program at `path` with `args` in `workDirectory`, with this
// process's environment changed by `env` (name, value; an empty value unsets
// it). Standard output is discarded.
ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env,
                      const std::string& workDirectory);

// RunProgram with SPINSTALL_PROGRAM.
ProgramRun RunHostProgram(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          const std::string& workDirectory);

// Runs the host program with standard error closed, or on a pipe whose
// reader is gone; its exit status (-1 when a signal ended it).
enum class StandardError { Closed, BrokenPipe };
int RunHostProgramWithout(StandardError error, const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          const std::string& workDirectory);

// Starts the host program and kills it (SIGKILL) after `delay`, or reaps it if
// it ended first.
void KillHostProgramAfter(std::chrono::microseconds delay, const std::vector<std::string>& args,
                          const std::string& workDirectory);

}  // namespace testsupport
