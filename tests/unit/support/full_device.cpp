#include "support/full_device.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace testsupport {

std::string FullDevice(const std::string& directory) {
  const std::string node = directory + "/full";
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) return node;
  return "/dev/full";
}

}  // namespace testsupport
