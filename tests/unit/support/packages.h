// Patch packages made for a test with the same writer the build uses.
#pragma once

#include <string>

namespace testsupport {

// Writes a patch package at `path` whose property 5 is `versionRule` and
// property 7 `targets`, exactly as given (unchecked).
void WriteTestPackage(const std::string& path, const std::string& versionRule,
                      const std::string& targets);

}  // namespace testsupport
