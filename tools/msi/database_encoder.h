// A database's tables as its storage keeps them: the string pool, _Tables,
// _Columns and every table's stream, column by column. Needs no library.
#pragma once

#include <string>

#include "msi/database.h"
#include "msi/transform_encoder.h"

namespace msptool::msi {

// False, with `error` naming the table and row, when a row does not fit its
// table's columns. Stream cells are not written: `out.streams` names them.
bool EncodeDatabase(const Database& db, EncodedTables& out, std::string& error);

}  // namespace msptool::msi
