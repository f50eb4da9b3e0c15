#include "support/authoring.h"

#include <sstream>

#include "support/temp_dir.h"

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

std::string DefinitionIn(const std::string& folder) {
  std::string text = testsupport::ReadFileBytes(SPINSTALL_SOURCE_DIR "/resources/package.def");
  const std::string line = "packages = products/quillmark/packages.txt";
  text.replace(text.find(line), line.size(), "packages = " SPINSTALL_PRODUCT_PACKAGES);
  testsupport::WriteFileBytes(folder + "/package.def", text);
  return folder + "/package.def";
}

std::string ProductPackage(const std::string& code, const std::string& release) {
  std::istringstream list(testsupport::ReadFileBytes(SPINSTALL_PRODUCT_PACKAGES));
  for (std::string line; std::getline(list, line);)
    if (line.rfind(code + "\t" + release + "\t", 0) == 0)
      return line.substr(code.size() + release.size() + 2);
  return {};
}

}  // namespace toolstest
