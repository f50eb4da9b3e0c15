// The rules a patch's baseline and upgraded packages must keep to be a minor
// update, as Windows' own patch tools refuse them: the installed product keeps
// its identity, components, features and files, so the installer can patch
// it in place.
#pragma once

#include <string>
#include <vector>

#include "msi/database.h"

namespace msptool {

// Whether `upgraded` is a minor update of `baseline`; otherwise false with
// the first broken rule and its table and row in `error`: "table File, row
// readme.txt: the file is removed".
bool CheckMinorUpdate(const msi::Database& baseline, const msi::Database& upgraded,
                      std::string& error);

// The File keys of versioned files whose version, size and MsiFileHash row
// all stay from `baseline` to `upgraded`: the databases cannot tell whether
// their bytes change, their packages' media can.
std::vector<std::string> FilesUnderOneVersion(const msi::Database& baseline,
                                              const msi::Database& upgraded);

// The rule a versioned file breaks whose contents change while its version
// `version` stays: "table File, row `key`: the file changes but ...".
std::string SameVersionProblem(const std::string& key, const std::string& version);

// -1, 0 or 1 as dotted version `a` is below, equal to or above `b`, field by
// field as numbers (a missing field is 0).
int CompareVersions(const std::string& a, const std::string& b);

}  // namespace msptool
