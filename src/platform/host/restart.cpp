// The host build restarts nothing: the request is written to standard error
// as one line, "spinstall: restart requested, reason 0x80040002" (and ",
// other sessions logged off" when forced), and counts as started.
#include "platform/restart.h"

#include <cstdio>

namespace spinstall::platform {

std::uint32_t RequestRestart(bool forceOtherSessions) {
  std::fprintf(stderr, "spinstall: restart requested, reason 0x%08X%s\n",
               static_cast<unsigned>(kRestartReasonPlannedInstallation),
               forceOtherSessions ? ", other sessions logged off" : "");
  std::fflush(stderr);
  return 0;
}

}  // namespace spinstall::platform
