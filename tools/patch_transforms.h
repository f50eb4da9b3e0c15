// The transforms that make up the carried patch (see package_writer.h for why
// it has these and no others), each a difference of the product's tables.
#pragma once

#include <string>
#include <vector>

#include "cabinet_writer.h"
#include "msi/database_diff.h"
#include "msi/transform_writer.h"

namespace msptool {

// What the patch changes in a product.
struct PatchContent {
  std::vector<std::string> targets;  // product codes, property 7's order
  std::string upgradeCode;           // of the product family whose files it replaces
  std::string fromVersion;           // a candidate version
  std::string toVersion;             // the upgrade version
  std::vector<CabinetFile> files;    // File table key and new contents' file
  std::string patchCode;             // property 9's GUID
  std::string subject;               // the patched product's new summary subject
};

struct Transform {
  std::string name;  // the sub-storage's name; property 8 lists it as ":name"
  msi::TransformSummary summary;
  msi::DatabaseDiff diff;
};

// The stream name (unencoded) of the patch's cabinet in the package root.
inline constexpr char kCabinetStream[] = "patch.cab";

// Data transform "T<n>" and patch transform "#T<n>", pair after pair: when
// files are replaced, first one pair per target that also changes the files
// (validated by product and upgrade code), then one pair per target that
// changes the version alone (validated by product code).
std::vector<Transform> BuildTransforms(const PatchContent& content);

}  // namespace msptool
