#include "support/authoring.h"

namespace toolstest {

testsupport::ProgramRun RunMspTool(const std::vector<std::string>& args,
                                   const std::vector<std::pair<std::string, std::string>>& env) {
  return testsupport::RunProgram(SPINSTALL_MSP_TOOL, args, env, ".");
}

testsupport::ProgramRun RunMspToolShowingOutput(const std::vector<std::string>& args) {
  std::vector<std::string> shell{"-c", "exec \"$0\" \"$@\" 1>&2", SPINSTALL_MSP_TOOL};
  shell.insert(shell.end(), args.begin(), args.end());
  return testsupport::RunProgram("/bin/sh", shell, {}, ".");
}

std::string SourceDefinition() { return SPINSTALL_SOURCE_DIR "/resources/package.def"; }

std::string SourcePatchFile(const std::string& name) {
  return SPINSTALL_SOURCE_DIR "/products/quillmark/16.1.84.0/" + name;
}

}  // namespace toolstest
