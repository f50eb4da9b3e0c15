// The transforms that make up the carried patch (see package_writer.h for why
// it has these and no others).
#pragma once

#include <string>
#include <vector>

#include "cabinet_writer.h"
#include "transform.h"

namespace msptool {

// What the patch changes in a product.
struct PatchContent {
  std::vector<std::string> targets;  // product codes, property 7's order
  std::string upgradeCode;           // of the product family whose files it replaces
  std::string fromVersion;           // a candidate version
  std::string toVersion;             // the upgrade version
  std::vector<CabinetFile> files;    // File table key and new contents' file
};

// The stream name (unencoded) of the patch's cabinet in the package root.
inline constexpr char kCabinetStream[] = "patch.cab";

// One product-code-validated ProductVersion transform per target, in target
// order, then (when files are replaced) one upgrade-code-validated transform
// with the File and Media changes.
std::vector<Transform> BuildTransforms(const PatchContent& content);

}  // namespace msptool
