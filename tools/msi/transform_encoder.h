// A database difference as the streams of a transform: its string pool (in
// the after database's code page) and one stream per table it changes, with
// _Tables and _Columns rows for the tables it adds or removes. Needs no
// library, so that test programs for Windows can use it too.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "msi/database_diff.h"

namespace msptool::msi {

// The streams of a storage's tables: a database's or a transform's.
struct EncodedTables {
  std::string stringPool;
  std::string stringData;
  std::vector<std::pair<std::string, std::string>> tables;  // table name, row bytes
  std::vector<std::string> streams;  // stream cells' streams ("Table.Key") it carries
};

// False, with `error` naming the table and row, when a row does not fit its
// table's columns.
bool EncodeTransform(const DatabaseDiff& diff, EncodedTables& out, std::string& error);

}  // namespace msptool::msi
