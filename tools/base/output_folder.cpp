#include "base/output_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace msptool {

OutputFolder::OutputFolder(std::string destination) : destination_(std::move(destination)) {
  const std::filesystem::path to(destination_);
  // Appended piece by piece: GCC 12 at -O3 warns wrongly of "." + string.
  std::string leaf = ".";
  leaf += to.filename().string();
  leaf += ".XXXXXX";
  const std::string pattern = (to.parent_path() / leaf).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data())) path_ = name.data();
}

OutputFolder::~OutputFolder() {
  // Everything in it is this command's: the folder was made new and private.
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool OutputFolder::PutInPlace() {
  if (path_.empty()) return false;
  const std::string file = File();
  // The folder is private; the result is an ordinary new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return ::chmod(file.c_str(), 0666 & ~mask) == 0 &&
         std::rename(file.c_str(), destination_.c_str()) == 0;
}

}  // namespace msptool
