// Reading a whole file into memory.
#pragma once

#include <string>

namespace msptool {

// False when the file cannot be opened.
bool ReadFileBytes(const std::string& path, std::string& bytes);

}  // namespace msptool
