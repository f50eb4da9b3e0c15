// msp_tool's transform reader over any transform streams, for a target with
// the tables a patch changes: it reads them or refuses them; what it reads
// can be shown, applied (or refused) and written again.
#include "fuzz_input.h"
#include "msi/diff_text.h"
#include "msi/standard_tables.h"
#include "msi/transform_encoder.h"
#include "msi/transform_reader.h"
#include "msi_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace msptool::msi;
  // Tables A, B and C of the target: the layouts of Property, File and Media.
  static const Database target = [] {
    Database db{1252, {msptool::kPropertyTable, msptool::kFileTable, msptool::kMediaTable}, {}};
    db.tables[0].name = "A";
    db.tables[0].rows = {{Value::String("ProductVersion"), Value::String("1.0")}};
    db.tables[1].name = "B";
    db.tables[2].name = "C";
    return db;
  }();
  DatabaseDiff diff;
  std::vector<std::string> unknown;
  std::string error;
  if (!ReadTransform(fuzzing::StorageOfParts(data, size), target, diff, unknown, error)) {
    fuzzing::Require(!error.empty());
    return 0;
  }
  fuzzing::Require(!DiffText(diff).empty());
  Database applied = target;
  Apply(diff, applied, error);
  EncodedTables tables;
  EncodeTransform(diff, tables, error);
  return 0;
}
