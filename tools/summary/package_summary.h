// A package's summary properties, read from its summary stream: what the
// checks and descriptors of a patch need.
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

// The texts as stored, in the package's code page. False with `error`
// saying what the file is not (to follow its name), a file without a summary
// stream among them.
bool ReadPackageSummary(const std::string& path, PackageSummary& out, std::string& error);

}  // namespace msptool
