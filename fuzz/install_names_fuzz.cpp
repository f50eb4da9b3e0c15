// Any text as a File table FileName and a Directory table DefaultDir: a name
// the check takes never leads out of the folder it names.
#include <string>

#include "checks/install_names.h"
#include "fuzz_input.h"

namespace {

// Whether a part of `name` between '|' and ':' climbs or names a path.
bool Escapes(const std::string& name) {
  std::string part;
  for (const char c : name + "|") {
    if (c == '|' || c == ':') {
      if (part == "..") return true;
      part.clear();
    } else if (c == '/' || c == '\\') {
      return true;
    } else {
      part.push_back(c);
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const bool file = msptool::FilenameProblem(name).empty();
  const bool folder = msptool::DefaultDirProblem(name).empty();
  if (file || folder) fuzzing::Require(!Escapes(name));
  // A Filename is a DefaultDir too.
  if (file) fuzzing::Require(folder);
  return 0;
}
