// Small products and patches made in memory, for tests of what derives and
// reads patches: one product, one file that grows, a version that goes up.
#pragma once

#include <string>

#include "msi/database.h"
#include "patch/derive.h"

namespace toolstest {

inline const std::string kSmallUpgradeCode = "{00000000-0000-0000-0000-0000000000AA}";

// A product `code` at `version`: Property (ProductCode, ProductVersion,
// UpgradeCode, ProductName, ProductLanguage 1033), File (f.txt, unversioned,
// `fileSize` bytes, sequence 1), Media (disk 1, last sequence 1) and
// InstallExecuteSequence (InstallFiles).
msptool::msi::Database SmallProduct(const std::string& code, const std::string& version,
                                    int fileSize);

// The pair from `baseVersion` (f.txt 1 byte) to `upgradedVersion` (2 bytes).
msptool::PatchTarget SmallTarget(const std::string& code, const std::string& baseVersion,
                                 const std::string& upgradedVersion);

// The table `name` of `db`, added with `layout`'s columns when missing.
msptool::msi::Table& TableOf(msptool::msi::Database& db, const msptool::msi::Table& layout);

// `db` written as a database file at `path`.
bool WriteSmallDatabase(const msptool::msi::Database& db, const std::string& path,
                        std::string& error);

msptool::DerivedPatch SmallPatch(const std::string& productCode, const std::string& patchCode);

}  // namespace toolstest
