// What the host build's entry point hands to the platform layer, and how host
// failures become Windows error codes.
#pragma once

#include <cerrno>
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

// A read or write repeated while a signal interrupts it; -1 with the
// last-error value set when it fails.
template <typename Call>
std::int64_t Uninterrupted(Call call) {
  for (;;) {
    const auto n = call();
    if (n >= 0) return n;
    if (errno != EINTR) {
      SetLastErrorFromErrno();
      return -1;
    }
  }
}

}  // namespace spinstall::platform::host
