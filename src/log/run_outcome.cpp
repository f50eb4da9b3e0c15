#include "log/run_outcome.h"

#include "platform/error_codes.h"

namespace spinstall::log {

RunOutcome& CurrentOutcome() {
  static RunOutcome outcome;
  return outcome;
}

void NotePatchResult(std::uint32_t result) {
  RunOutcome& outcome = CurrentOutcome();
  if (result == platform::kErrorSuccessRebootInitiated) {
    outcome.restart = Restart::Started;
  } else if (result == platform::kErrorSuccessRebootRequired) {
    if (outcome.restart == Restart::NotNeeded) outcome.restart = Restart::Needed;
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
         (outcome.restart == Restart::NotNeeded ? L"no" : L"yes");
}

std::uint32_t ExitCode(const RunOutcome& outcome) {
  if (outcome.firstFailure != 0) return outcome.firstFailure;
  const std::size_t installed =
      outcome.patched + outcome.failed + outcome.upToDate + outcome.notCandidate;
  if (outcome.targetsExamined && (outcome.notCandidate != 0 || installed == 0))
    return platform::kErrorPatchTargetNotFound;
  switch (outcome.restart) {
    case Restart::Started:
      return platform::kErrorSuccessRebootInitiated;
    case Restart::Needed:
      return platform::kErrorSuccessRebootRequired;
    case Restart::NotNeeded:
      break;
  }
  return platform::kErrorSuccess;
}

}  // namespace spinstall::log
