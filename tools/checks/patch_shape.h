// A package against the structure Windows Installer applies: transforms in
// pairs (data transform "X", then its patch transform "#X"), validation flags
// in the upper word of each transform's property 16, property 14 on each
// transform, a PatchPackage row for the patch code in every patch transform,
// and MsiPatchSequence in the root.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compound/reader.h"

namespace msptool {

struct PatchShape {
  std::vector<std::string> problems;  // each names the transform or value at fault
  std::string report;                 // one line on what the package has
};

// What a transform storage's own summary says; zeros and empty when it has none.
struct TransformFacts {
  std::uint32_t codePage = 0;
  bool hasWord = false;
  std::uint32_t word = 0;      // property 16: validation (upper), error conditions (lower)
  std::int64_t pageCount = 0;  // property 14: the installer version it needs
  std::string revision;        // property 9
  std::string target;          // property 7: the target's platform;languages
};
TransformFacts ReadTransformFacts(const CompoundEntry& transform);

// `root` as ReadCompound gives it (the root's stream bytes are not needed),
// `transforms` property 8 and `patchCode` property 9.
PatchShape InspectPatchShape(const CompoundEntry& root, const std::string& transforms,
                             const std::string& patchCode);

}  // namespace msptool
