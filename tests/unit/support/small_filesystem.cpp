#include "support/small_filesystem.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace testsupport {

SmallFilesystem::SmallFilesystem(std::size_t bytes, bool readOnly) {
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", readOnly ? MS_RDONLY : 0,
                     options.c_str()) == 0;
}

SmallFilesystem::~SmallFilesystem() {
  if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
}

void SmallFilesystem::Fill() {
  const int fd = ::open((dir_.path() + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return;
  const std::vector<char> block(4096, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  ::close(fd);
}

}  // namespace testsupport
