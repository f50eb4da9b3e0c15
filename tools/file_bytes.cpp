#include "file_bytes.h"

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

}  // namespace msptool
