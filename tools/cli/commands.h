// The commands of msp_tool, each on its parsed command line.
#pragma once

#include "cli/command_line.h"

namespace msptool {

// Runs the command: 0 when it did its work, 1 after one line on standard
// error naming what stopped it.
int RunCommand(const CommandLine& line);

}  // namespace msptool
