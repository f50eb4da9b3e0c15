// Hostile packages made from good ones: a product package's database read,
// changed by a test, and written back with the package's other streams.
#pragma once

#include <map>
#include <string>

#include "msi/database.h"

namespace toolstest {

// Writes `db` as the database of a new package `to`; every root stream of
// the package `from` that is no table (the summary, the cabinet, stream
// cells' streams) is copied, then `streams` (stored name -> bytes) added or
// replacing theirs. A test fails when it cannot.
void WritePackageCopy(const std::string& from, const msptool::msi::Database& db,
                      const std::string& to,
                      const std::map<std::string, std::string>& streams = {});

// The row of `table` whose first column is `key` (a test fails without one).
msptool::msi::Row& RowOf(msptool::msi::Database& db, const std::string& table,
                         const std::string& key);
// Sets `column` of that row.
void SetCell(msptool::msi::Database& db, const std::string& table, const std::string& key,
             const char* column, msptool::msi::Value value);

}  // namespace toolstest
