// Writing the carried package out to a file.
#pragma once

#include <string>

namespace spinstall::package {

// Copies the carried package, byte for byte, to `path`. An empty `path` gets a
// new file in the temporary directory, and then holds its name as soon as one
// was made. True when the file holds every byte of the package. Shows no
// message; on failure the last-error value says why, and no incomplete file
// that this call created or truncated is left behind.
bool ExtractPackage(std::wstring& path);

}  // namespace spinstall::package
