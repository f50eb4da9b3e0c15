// What a run came to, counted as it goes: the run log's last line and the
// exit status that /exitcode asks for, in the installer's own codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace spinstall::log {

enum class Restart {
  NotNeeded,
  Needed,   // a configure call answered 3010 and no restart has been started
  Started,  // the installer answered 1641, or the program requested the restart
};

struct RunOutcome {
  bool targetsExamined = false;  // the install driver asked which targets are installed
  std::size_t patched = 0;
  std::size_t failed = 0;
  std::size_t upToDate = 0;
  std::size_t notCandidate = 0;
  Restart restart = Restart::NotNeeded;
  std::uint32_t firstFailure = 0;  // the code of the first step that failed
};

// The process-wide outcome.
RunOutcome& CurrentOutcome();

// Counts one configure call's result: 0, 3010 and 1641 are patched.
void NotePatchResult(std::uint32_t result);
// Keeps the first failing step's code; a failure without one counts as 1603.
void NoteFailure(std::uint32_t code);

// "1 patched, 0 failed, 2 up to date, 1 not a candidate version, restart
// required: no".
std::wstring InstallSummary(const RunOutcome& outcome);

// The run's exit code under /exitcode; one rule for every mode:
// 1. the first failing step's code: a configure call, or a step before it
//    (writing the package, reading its summary), or a step of /e, /p, /i;
// 2. else 1642 when the targets were examined and one installed target is at
//    a version the patch is not for, or none is installed;
// 3. else 1641 when a restart was started, 3010 when one is needed and was
//    not made;
// 4. else 0: every installed target patched or already up to date, or every
//    administrator step done.
std::uint32_t ExitCode(const RunOutcome& outcome);

}  // namespace spinstall::log
