// The calling thread's last-error value: failing steps store a code here and
// the message reporter prints it.
#pragma once

#include <cstdint>

namespace spinstall::platform {

std::uint32_t LastError();
void SetLastError(std::uint32_t code);

}  // namespace spinstall::platform
