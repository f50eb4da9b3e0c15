#include "support/deep_directory.h"

#include <filesystem>

namespace testsupport {

std::string MakeDeepDirectory(const std::string& base, std::size_t minLength) {
  std::string path = base;
  while (path.size() < minLength) path += "/" + std::string(100, 'd');
  std::filesystem::create_directories(path);
  return path;
}

std::string MakeDirectoryOfLength(const std::string& base, std::size_t length) {
  std::string path = base;
  // Whole segments while more than one more is needed, then one of the rest.
  while (length - path.size() > 101) path += "/" + std::string(100, 'd');
  path += "/" + std::string(length - path.size() - 1, 'e');
  std::filesystem::create_directories(path);
  return path;
}

}  // namespace testsupport
