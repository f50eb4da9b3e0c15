#include "base/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace msptool {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

bool ReadableFileSize(const std::string& path, std::uint64_t& size) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error) || !std::ifstream(path, std::ios::binary))
    return false;
  size = std::filesystem::file_size(path, error);
  return !error;
}

}  // namespace msptool
