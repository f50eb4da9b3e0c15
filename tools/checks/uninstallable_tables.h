// The tables a patch must not add rows to if it is to be removable: even
// with AllowRemoval 1 in MsiPatchMetadata, Windows marks a patch that adds a
// row to one of them not uninstallable (page "Uninstallable Patches").
#pragma once

#include <string>

#include "msi/database_diff.h"

namespace msptool {

// "table Class, row {...}" of the first row `diff` adds to such a table
// (a new table's rows included); empty when it adds none.
std::string RowBlockingRemoval(const msi::DatabaseDiff& diff);

}  // namespace msptool
