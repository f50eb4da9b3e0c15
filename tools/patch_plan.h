// Turning a package definition into what the package writer needs, checking
// every value on the way: a definition that breaks a convention never becomes
// a package.
#pragma once

#include <string>
#include <vector>

#include "definition.h"
#include "package_writer.h"

namespace msptool {

struct PatchPlan {
  PatchSummary summary;
  PatchContent content;
};

// `folder` is the definition's own folder: "file-folder" is relative to it.
// On a broken value, returns false with a message that names it in `error`;
// warnings (a candidate equal to the upgrade version) go to `warnings`.
bool MakePatchPlan(const Definition& def, const std::string& folder, PatchPlan& plan,
                   std::vector<std::string>& warnings, std::string& error);

}  // namespace msptool
