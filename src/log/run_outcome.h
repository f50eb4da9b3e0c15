// What a run came to, counted as it goes: the run log's last line and the
// exit status that /exitcode asks for, in the installer's own codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace spinstall::log {

struct RunOutcome {
  std::size_t patched = 0;
  std::size_t failed = 0;
  std::size_t upToDate = 0;
  std::size_t notCandidate = 0;
  std::uint32_t restartCode = 0;   // 3010 or 1641, the first patch that asked for it
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

// The first failure's code; else the restart code; else 1642 when no product
// was patched or up to date (none installed, or none at a candidate version);
// else 0.
std::uint32_t InstallExitCode(const RunOutcome& outcome);
// The administrator modes: the first failing step's code, else 0.
std::uint32_t AdminExitCode(const RunOutcome& outcome);

}  // namespace spinstall::log
