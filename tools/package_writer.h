// Writing a patch package: the compound file with the patch class id, its
// summary information and the (empty) string pool the installer insists on.
#pragma once

#include <string>

namespace msptool {

struct PatchSummary {
  std::string title;
  std::string subject;
  std::string author;
  std::string keywords;  // property 5: the version rule
  std::string comments;
  std::string targets;     // property 7: the target product codes
  std::string transforms;  // property 8; written only when not empty
  std::string patchCode;   // property 9
};

// Writes the values as they are, checked or not: checking is the caller's.
bool WritePatchPackage(const PatchSummary& summary, const std::string& path, std::string& error);

}  // namespace msptool
