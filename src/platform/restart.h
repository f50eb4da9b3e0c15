// Restarting the machine once an installation needs it.
#pragma once

#include <cstdint>

namespace spinstall::platform {

// The reason given with the request: a planned restart for the installation
// of an application (SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION
// | SHTDN_REASON_MINOR_INSTALLATION), so that the system records no
// unexpected shutdown.
inline constexpr std::uint32_t kRestartReasonPlannedInstallation = 0x80040002;

// Asks the system to restart the machine now, with the shutdown privilege
// enabled for the request; `forceOtherSessions` logs other users off instead of
// failing while they are logged on. 0 when the restart has been started (the
// call returns and the system then ends every program), else the error code.
std::uint32_t RequestRestart(bool forceOtherSessions);

}  // namespace spinstall::platform
