#include "apply/busy_installer.h"

#include <algorithm>
#include <string>

#include "log/run_log.h"
#include "platform/error_codes.h"
#include "platform/process_facts.h"

namespace spinstall::apply {
namespace {

BusyWait g_wait = nullptr;

}  // namespace

void SetBusyWait(BusyWait wait) { g_wait = wait; }

std::uint32_t RetryWhileBusy(const std::function<std::uint32_t()>& attempt, BusyBudget& budget) {
  for (;;) {
    const std::uint32_t result = attempt();
    if (result != platform::kErrorInstallAlreadyRunning) return result;
    if (budget.usedSeconds >= budget.totalSeconds) {
      log::Line(L"installer still busy, " + std::to_wstring(budget.usedSeconds) + L" of " +
                std::to_wstring(budget.totalSeconds) + L" s waited: giving up");
      return result;
    }
    const std::uint32_t wait =
        std::min(kBusyRetrySeconds, budget.totalSeconds - budget.usedSeconds);
    budget.usedSeconds += wait;
    log::Line(L"installer busy with another installation: waiting " + std::to_wstring(wait) +
              L" s, then trying again (" + std::to_wstring(budget.usedSeconds) + L" of " +
              std::to_wstring(budget.totalSeconds) + L" s)");
    (g_wait ? g_wait : platform::SleepSeconds)(wait);
  }
}

}  // namespace spinstall::apply
