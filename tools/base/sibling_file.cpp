#include "base/sibling_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace msptool {

SiblingFile::SiblingFile(std::string destination) : destination_(std::move(destination)) {
  const std::string pattern = destination_ + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return;
  // mkstemp makes the file private; the result is an ordinary new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const bool ok = ::fchmod(fd, 0666 & ~mask) == 0;
  ::close(fd);
  path_ = name.data();
  if (!ok) {
    ::unlink(path_.c_str());
    path_.clear();
  }
}

SiblingFile::~SiblingFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

bool SiblingFile::PutInPlace() {
  if (path_.empty() || std::rename(path_.c_str(), destination_.c_str()) != 0) return false;
  path_.clear();
  return true;
}

}  // namespace msptool
