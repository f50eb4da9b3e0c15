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

// Chooses the name of a file that does not exist yet in the directory that
// "TMP" names (quotes removed if need be), else in `directory`, else the root,
// else the current directory. No name when the directory is too long (its
// length plus the prefix's plus 12 above 260; last error 206) or 32767 numbers
// were taken (last error 80).
std::optional<std::wstring> MakeTemporaryName(const std::wstring& directory,
                                              const std::wstring& prefix,
                                              PathProbe probe = platform::QueryPath);

// The counter's value; it starts at 1 and only grows within a process. Tests
// reset it to model a fresh process.
std::uint32_t TemporaryNameCounter();
void ResetTemporaryNameCounter();

}  // namespace spinstall::package
