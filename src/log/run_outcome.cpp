#include "log/run_outcome.h"

#include "platform/error_codes.h"

namespace spinstall::log {

RunOutcome& CurrentOutcome() {
  static RunOutcome outcome;
  return outcome;
}

void NotePatchResult(std::uint32_t result) {
  RunOutcome& outcome = CurrentOutcome();
  if (result == platform::kErrorSuccessRebootRequired ||
      result == platform::kErrorSuccessRebootInitiated) {
    if (outcome.restartCode == 0) outcome.restartCode = result;
  } else if (result != platform::kErrorSuccess) {
    ++outcome.failed;
    NoteFailure(result);
    return;
  }
  ++outcome.patched;
}

void NoteFailure(std::uint32_t code) {
  RunOutcome& outcome = CurrentOutcome();
  if (outcome.firstFailure == 0)
    outcome.firstFailure = code == 0 ? platform::kErrorInstallFailure : code;
}

std::wstring InstallSummary(const RunOutcome& outcome) {
  return std::to_wstring(outcome.patched) + L" patched, " + std::to_wstring(outcome.failed) +
         L" failed, " + std::to_wstring(outcome.upToDate) + L" up to date, " +
         std::to_wstring(outcome.notCandidate) + L" not a candidate version, restart required: " +
         (outcome.restartCode ? L"yes" : L"no");
}

std::uint32_t InstallExitCode(const RunOutcome& outcome) {
  if (outcome.firstFailure != 0) return outcome.firstFailure;
  if (outcome.restartCode != 0) return outcome.restartCode;
  if (outcome.patched + outcome.upToDate == 0) return platform::kErrorPatchTargetNotFound;
  return platform::kErrorSuccess;
}

std::uint32_t AdminExitCode(const RunOutcome& outcome) { return outcome.firstFailure; }

}  // namespace spinstall::log
