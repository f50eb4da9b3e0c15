// msp_tool's database reader over any table streams: it reads them or refuses
// them, and what it reads, written again, reads back the same.
#include "fuzz_input.h"
#include "msi/database_encoder.h"
#include "msi/database_reader.h"
#include "msi_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace msptool::msi;
  Database db;
  std::string error;
  if (!ReadDatabase(fuzzing::StorageOfParts(data, size), db, error)) {
    fuzzing::Require(!error.empty());
    return 0;
  }
  EncodedTables tables;
  fuzzing::Require(EncodeDatabase(db, tables, error));
  msptool::CompoundEntry again;
  again.isStorage = true;
  for (const auto& [name, bytes] : tables.tables)
    again.children.push_back(fuzzing::TableStream(name, bytes));
  again.children.push_back(fuzzing::TableStream("_StringPool", tables.stringPool));
  again.children.push_back(fuzzing::TableStream("_StringData", tables.stringData));
  Database reread;
  fuzzing::Require(ReadDatabase(again, reread, error));
  fuzzing::Require(reread.codePage == db.codePage && reread.tables.size() == db.tables.size());
  for (std::size_t i = 0; i < db.tables.size(); ++i)
    fuzzing::Require(reread.tables[i].rows == db.tables[i].rows);
  return 0;
}
