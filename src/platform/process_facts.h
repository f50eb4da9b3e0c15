// What the run log says about the process: when, which process, its command
// line as given, and the system's text for a result code; and a pause.
#pragma once

#include <cstdint>
#include <string>

namespace spinstall::platform {

struct LocalTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

LocalTime CurrentLocalTime();
// Waits `seconds` seconds.
void SleepSeconds(std::uint32_t seconds);
std::uint32_t CurrentProcessId();
// The command line as the process received it.
std::wstring RawCommandLine();
// The system's one-line message for an error or installer result code; empty
// when it has none.
std::wstring SystemMessageText(std::uint32_t code);

}  // namespace spinstall::platform
