// What the host build's entry point hands to the platform layer, and how host
// failures become Windows error codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spinstall::platform::host {

// The process's arguments, stored by main.
void SetArguments(std::vector<std::wstring> args);

// The Windows error code that stands for an errno value.
std::uint32_t ErrorFromErrno(int error);
// Sets the last-error value from errno.
void SetLastErrorFromErrno();

}  // namespace spinstall::platform::host
