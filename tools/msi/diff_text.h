// A database difference for people, table by table:
//
//   code page 1252 -> 65001
//   table NewTable: added, 3 columns, 2 rows
//     + [Key1] Name="a", Size=3
//   table OldTable: removed
//   table File: 1 inserted, 1 deleted, 1 changed
//     + [new.txt] Component_="C1", ...
//     - [old.txt]
//     ~ [readme.txt] FileSize 90 -> 120
//   stream product.cab: added, removed or changed (no transform carries it)
#pragma once

#include <string>

#include "msi/database_diff.h"

namespace msptool::msi {

std::string DiffText(const DatabaseDiff& diff);

}  // namespace msptool::msi
