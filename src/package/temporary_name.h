// Names for new files in the temporary directory: prefix plus a number from a
// process-wide counter (the first is 2), no extension.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/environment.h"

namespace spinstall::package {

// Tells whether a path exists; the platform's query unless a test needs
// thousands of taken names without making them.
using PathProbe = platform::PathState (*)(const std::wstring& path);

// The directory for the program's temporary files: the first that exists of
// what "TMP" names (as it stands, then with its quotes removed), `directory`
// (the system's temporary directory as QueryTempPath read it), then
// platform::TempPathSources(). Never a directory nobody named, such as the
// root of the drive: when none of them exists, empty, with last error 3
// (path not found) and a line in the run log naming what was looked for.
// `probe` answers whether a directory exists.
std::wstring ChooseTemporaryDirectory(const std::wstring& directory,
                                      PathProbe probe = platform::QueryPath);

// When "TMP" as it stands names nothing that exists, points it at the folder
// that holds `temporaryFile` (a name MakeTemporaryName made), for the rest of
// the run and the programs it starts, and says so in the run log: the
// installer takes its own temporary files from TMP too (under Wine, in this
// very process, where a TMP that is gone fails the patch with 1627).
void MendTmp(const std::wstring& temporaryFile);

// `directory` (not empty) ending in a separator: '\\' and '/' both count.
std::wstring WithSeparator(std::wstring directory);

// Chooses the name of a file that does not exist yet in the directory that
// ChooseTemporaryDirectory(directory) gives. No name when there is none, when
// it is too long (its length plus the prefix's plus 12 above 260; last error
// 206) or 32767 numbers were taken (last error 80).
std::optional<std::wstring> MakeTemporaryName(const std::wstring& directory,
                                              const std::wstring& prefix,
                                              PathProbe probe = platform::QueryPath);

// The counter's value; it starts at 1 and only grows within a process. Tests
// reset it to model a fresh process.
std::uint32_t TemporaryNameCounter();
void ResetTemporaryNameCounter();

}  // namespace spinstall::package
