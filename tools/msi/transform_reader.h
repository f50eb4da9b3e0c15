// Reading a transform back into a difference: the rows of its _Tables and
// _Columns (tables added and removed, their layouts), then every table
// stream, decoded with the layout the transform gives or the target's.
#pragma once

#include <string>
#include <vector>

#include "compound/reader.h"
#include "msi/database_diff.h"

namespace msptool::msi {

// `storage` read as DatabaseStreams says; `target` is the database the
// transform applies to (its rows fill in the unchanged columns of changed
// rows). Tables whose layout neither gives go to `unknownTables`. False, with
// `error` naming the table, on rows the layout cannot read.
bool ReadTransform(const CompoundEntry& storage, const Database& target, DatabaseDiff& out,
                   std::vector<std::string>& unknownTables, std::string& error);

}  // namespace msptool::msi
