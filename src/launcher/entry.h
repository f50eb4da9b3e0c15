// The program's body, called by the entry point of each build (host/, win32/).
#pragma once

namespace spinstall::launcher {

// Parses the command line, runs the install driver or the administrator modes
// it asks for, empties the product list and returns 0, whatever happened.
int RunProgram();

}  // namespace spinstall::launcher
