// Folders whose paths are too long for the program's fixed-size path buffers.
#pragma once

#include <cstddef>
#include <string>

namespace testsupport {

// Creates nested folders under `base` until the path has at least `minLength`
// characters, and returns that path (no trailing '/').
std::string MakeDeepDirectory(const std::string& base, std::size_t minLength);

// Creates nested folders under `base` whose path has exactly `length`
// characters (more than base's plus two), and returns it (no trailing '/').
std::string MakeDirectoryOfLength(const std::string& base, std::size_t length);

}  // namespace testsupport
