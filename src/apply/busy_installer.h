// Waiting out another installation. Windows Installer runs one installation
// at a time and answers any other with 1618 (ERROR_INSTALL_ALREADY_RUNNING,
// "Another installation is already in progress") until that one ends, which
// on a machine that updates itself may take some minutes.
#pragma once

#include <cstdint>
#include <functional>

namespace spinstall::apply {

// How long a run waits in all for a busy installer unless /busywait says
// otherwise, and the most it may say.
inline constexpr std::uint32_t kDefaultBusyWaitSeconds = 300;
inline constexpr std::uint32_t kMaxBusyWaitSeconds = 86400;
// The wait between two tries.
inline constexpr std::uint32_t kBusyRetrySeconds = 10;

// A wait of `seconds`: the platform's sleep unless a test put another in
// place; nullptr restores it.
using BusyWait = void (*)(std::uint32_t seconds);
void SetBusyWait(BusyWait wait);

// The waiting a run may do, in all: every product's configure call draws on
// it, so that a run never waits longer than the administrator said.
struct BusyBudget {
  std::uint32_t totalSeconds = kDefaultBusyWaitSeconds;
  std::uint32_t usedSeconds = 0;
};

// Calls `attempt`, and again after a wait each time it answers 1618, as long
// as the budget has some time left: every wait is kBusyRetrySeconds, the last
// one cut to what is left. Each wait is logged. Returns the last answer: 1618
// still when the installer stayed busy.
std::uint32_t RetryWhileBusy(const std::function<std::uint32_t()>& attempt, BusyBudget& budget);

}  // namespace spinstall::apply
