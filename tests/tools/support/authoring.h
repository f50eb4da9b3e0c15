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

// resources/package.def written into `folder` with its package list the
// build's (its path is relative to the build folder); returns its path.
std::string DefinitionIn(const std::string& folder);

// The build's package of product `code` at `release`.
std::string ProductPackage(const std::string& code, const std::string& release);

}  // namespace toolstest
