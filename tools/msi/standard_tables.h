// The standard tables a patch touches, by name and column: the products'
// tables it changes and the tables it adds to them or carries in its root.
#pragma once

#include "msi/database.h"

namespace msptool {

// Tables of the products (the 32-bit Sequence and LastSequence of current
// schemas).
extern const msi::Table kPropertyTable;
extern const msi::Table kFileTable;
extern const msi::Table kDirectoryTable;
extern const msi::Table kMediaTable;
extern const msi::Table kInstallExecuteSequenceTable;
extern const msi::Table kMsiFileHashTable;

// The tables a patch transform brings into a product, in this order.
extern const msi::Table kPatchTable;
extern const msi::Table kPatchPackageTable;
extern const msi::Table kMsiPatchHeadersTable;
// The table a patch's root carries: the patch's family and its place there.
extern const msi::Table kMsiPatchSequenceTable;
// The patch's metadata in its root: removable or not, its names for people.
extern const msi::Table kMsiPatchMetadataTable;

// Whether every table of the product's `db` has the columns a patch reads by
// name; otherwise false with the first missing one in `error`: "table File
// has no column FileSize". A package without them is refused rather than
// read as if its cells were null.
bool HasColumnsRead(const msi::Database& db, std::string& error);

// A row of `table` with `values` by column name, the other columns null.
msi::Row NamedRow(const msi::Table& table,
                  const std::vector<std::pair<std::string, msi::Value>>& values);

}  // namespace msptool
