#include "support/authoring.h"

namespace toolstest {

testsupport::ProgramRun RunMspTool(const std::vector<std::string>& args,
                                   const std::vector<std::pair<std::string, std::string>>& env) {
  return testsupport::RunProgram(SPINSTALL_MSP_TOOL, args, env, ".");
}

std::string SourceDefinition() { return SPINSTALL_SOURCE_DIR "/resources/package.def"; }

std::string SourcePatchFile(const std::string& name) {
  return SPINSTALL_SOURCE_DIR "/resources/patch-files/" + name;
}

}  // namespace toolstest
