// Reading an installer database (a package, or the database a transform's
// target is) from its storage: the string pool and its code page, _Tables,
// _Columns and every table they name, and the names, sizes and digests of the
// other streams, which stay in the file.
//
// Refused: a transform file (by its class id); with a message naming the
// table: a string pool whose lengths do not match its data; a _Columns row for
// a table _Tables does not list, or column numbers that are not 1, 2, 3...; a
// table stream that is no whole number of rows, or refers to a string the
// pool does not have.
#pragma once

#include <string>

#include "compound/reader.h"
#include "msi/database.h"
#include "msi/string_pool.h"

namespace msptool::msi {

// Without `allDigests`, only the streams that stream cells refer to are
// listed, with their digests: enough to compare tables, and a package's
// cabinets, most of it, are not even opened. `summary`, when given, gets the
// bytes of the summary information stream, read on the way.
bool ReadDatabase(const std::string& path, Database& out, std::string& error,
                  bool allDigests = true, std::string* summary = nullptr);

// The same from a storage read with table streams' bytes and other streams'
// digests (see DatabaseStreams).
bool ReadDatabase(const CompoundEntry& storage, Database& out, std::string& error);
StreamContent DatabaseStreams(const std::string& storedName, int depth);

// The string pool of a storage (its _StringPool and _StringData).
bool ReadStorageStrings(const CompoundEntry& storage, StringTable& strings, std::string& error);
// The bytes of a storage's table stream, null when it has none.
const std::string* TableBytes(const CompoundEntry& storage, const std::string& table);

}  // namespace msptool::msi
