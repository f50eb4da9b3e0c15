#include "support/deep_directory.h"

#include <filesystem>

namespace testsupport {

std::string MakeDeepDirectory(const std::string& base, std::size_t minLength) {
  std::string path = base;
  while (path.size() < minLength) path += "/" + std::string(100, 'd');
  std::filesystem::create_directories(path);
  return path;
}

}  // namespace testsupport
