// Giving a package made by any tool a new summary property 5 (keywords), and
// changing nothing else.
#pragma once

#include <string>

namespace msptool {

// Writes to `outPath` a copy of the package at `path` in which property 5 is
// `keywords`: every stream and storage byte for byte with its class id, every
// other summary property with its value and type. The summary stream grows or
// shrinks with the text. False with `error` set when the package cannot be
// read or the copy cannot be written.
bool StampPackage(const std::string& path, const std::string& outPath, const std::string& keywords,
                  std::string& error);

}  // namespace msptool
