// Writing the carried package out to a file.
#pragma once

#include <string>

#include "platform/files.h"

namespace spinstall::package {

// Copies the carried package, byte for byte, to `path`. An empty `path` gets a
// new file in the temporary directory, and then holds its name as soon as one
// was made. True when the file holds every byte of the package. Shows no
// message; on failure the last-error value says why, and no incomplete file
// that this call created or truncated is left behind.
bool ExtractPackage(std::wstring& path);

// ExtractPackage to a new temporary file, which is then held open in `held`
// so that it cannot be changed or swapped before the installer has read it;
// fails, with the file left as written, when the held file does not hold
// exactly the carried bytes.
bool ExtractAndHoldPackage(std::wstring& path, platform::HeldFile& held);

// The carried package's size in bytes; 0 when the program carries none.
std::size_t CarriedPackageSize();

}  // namespace spinstall::package
