// Reading a package's summary properties back with libmsi.
#pragma once

#include <string>

namespace msptool {

struct PackageSummary {
  std::string title;       // property 2
  std::string subject;     // property 3
  std::string keywords;    // property 5: the version rule
  std::string comments;    // property 6
  std::string targets;     // property 7: the target product codes
  std::string transforms;  // property 8: the transforms to apply
  std::string revision;    // property 9: the patch code
};

// False with `error` saying what the file is not (to follow its name).
bool ReadPackageSummary(const std::string& path, PackageSummary& out, std::string& error);

}  // namespace msptool
