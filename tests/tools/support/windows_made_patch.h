// The small patch known to apply on real Windows Installer, rebuilt value by
// value from its recorded facts: one product (ProductVersion 1.1.1, one
// component with one file, patch.txt, 1000 bytes, sequence 1, Media disk 1),
// and a patch that makes patch.txt 1002 bytes: the data transform
// "targetToupgraded" and its patch transform "#targetToupgraded".
#pragma once

#include <string>

#include "msi/database.h"
#include "patch/package_writer.h"

namespace toolstest {

inline const std::string kWindowsMadeProduct = "{F4E0CE69-1B5A-4D3B-9F26-B0F7A0A9C1E1}";
inline const std::string kWindowsMadePatchCode = "{8D1B6C5E-2A47-4E0B-9C3A-5F6E7D8C9B0A}";

struct WindowsMadePatch {
  msptool::msi::Database baseline;
  msptool::PatchSummary summary;
  msptool::PatchBody body;  // no cabinet file: the tests read its tables only
};

WindowsMadePatch MakeWindowsMadePatch();

}  // namespace toolstest
