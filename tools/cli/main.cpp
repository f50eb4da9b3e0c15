// msp_tool: derives the service pack from its targets' packages, checks
// packages against what spinstall and Windows rely on, describes them, and
// compares installer databases. `msp_tool` alone prints the usage.
//
// Every failure is one line on standard error that names the offending
// value, and exit status 1; a command line that names no command, an
// unknown option or too few inputs prints the usage and exits 2.
#include <iostream>

#include "cli/command_line.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  msptool::CommandLine line;
  std::string error;
  if (!msptool::ParseCommandLine({argv + 1, argv + argc}, line, error)) {
    if (argc > 1) std::cerr << "msp_tool: error: " << error << "\n";
    std::cerr << msptool::UsageText();
    return 2;
  }
  return msptool::RunCommand(line);
}
