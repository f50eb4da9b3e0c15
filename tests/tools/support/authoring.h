// Running msp_tool as the build does.
#pragma once

#include <string>
#include <vector>

#include "support/program_run.h"

namespace toolstest {

// msp_tool with `args`, in the current directory.
testsupport::ProgramRun RunMspTool(
    const std::vector<std::string>& args,
    const std::vector<std::pair<std::string, std::string>>& env = {});

// The same with its standard output joined to the standard error it returns.
testsupport::ProgramRun RunMspToolShowingOutput(const std::vector<std::string>& args);

// The source tree's resources/package.def and its patch files folder.
std::string SourceDefinition();
std::string SourcePatchFile(const std::string& name);

}  // namespace toolstest
