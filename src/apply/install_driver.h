// The program's main job: apply the carried patch to every installed target
// product whose version is one the patch was made for.
#pragma once

#include <cstdint>

#include "apply/busy_installer.h"

namespace spinstall::apply {

// True when the loop over the installed products ran to its end. A busy
// installer is waited for `busyWaitSeconds` in all (busy_installer.h).
bool RunInstall(std::uint32_t busyWaitSeconds = kDefaultBusyWaitSeconds);

}  // namespace spinstall::apply
