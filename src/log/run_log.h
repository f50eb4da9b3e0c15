// The run log: one timestamped line per thing a run did, so that a run
// without boxes (/q) still tells an administrator what happened. A log that
// cannot be opened or written never changes what the run does or shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/process_facts.h"

namespace spinstall::log {

// Opens the run's log: `path` when given (created or appended to; a relative
// path is taken from the current directory), else a new file
// spinstall-YYYYMMDD-HHMMSS-<pid>.log in the temporary directory, created
// exclusively (a name that is taken, by a file or a link, is passed over for
// the same name with "-2" ... "-9" before ".log"). False when no log is open.
bool OpenRunLog(const std::wstring& path);
void CloseRunLog();
bool IsRunLogOpen();
// The open log's full path; empty without one.
const std::wstring& RunLogPath();
// Creates the installer's own log beside the run log, for the installer to
// append to: a new file <run log>.installer.log, created exclusively (a name
// that is taken, by a file or a link, is passed over for
// <run log>.installer-2.log ... -9.log), and held until the run log closes so
// that on Windows nobody can swap it for something else meanwhile. Its full
// path; empty without a run log or when none could be made, with `error`
// saying why. Keeps the thread's last-error value.
std::wstring CreateInstallerLog(std::uint32_t& error);

// Writes "YYYY-MM-DD HH:MM:SS.mmm [pid] " and `text` as one line, `text` made
// harmless as messages::HarmlessText says (no control character, no line
// separator, no bidirectional control), so that a line is always one entry
// and reads as written. Does nothing without a log; keeps the thread's
// last-error value.
void Line(std::wstring_view text);

// A result code with the system's text for it: "1603 (Fatal error ...)".
std::wstring ResultText(std::uint32_t code);

// The parts of the log that are fixed by the clock and the process.
std::wstring DefaultLogName(const platform::LocalTime& time, std::uint32_t processId);
std::wstring Timestamp(const platform::LocalTime& time);
// What starts every line: the timestamp and the process id in brackets.
std::wstring LinePrefix(const platform::LocalTime& time, std::uint32_t processId);

}  // namespace spinstall::log
