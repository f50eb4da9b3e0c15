// Reading files: small ones whole into memory, large ones only by their size.
#pragma once

#include <cstdint>
#include <string>

namespace msptool {

// False when the file cannot be opened.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// The size of a regular file that can be opened for reading, without reading
// it; false otherwise.
bool ReadableFileSize(const std::string& path, std::uint64_t& size);

}  // namespace msptool
