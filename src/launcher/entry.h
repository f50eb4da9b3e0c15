// The program's body, called by the entry point of each build (host/, win32/).
#pragma once

#include <cstdint>

namespace spinstall::launcher {

// Parses the command line, runs the install driver (and its restart decision)
// or the administrator modes it asks for, and empties the product list.
// Returns the run's exit code (log::ExitCode) under /exitcode, else 0.
std::uint32_t RunProgram();

}  // namespace spinstall::launcher
