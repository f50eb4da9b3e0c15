#include "support/small_patch.h"

#include "compound/writer.h"
#include "msi/database_encoder.h"
#include "msi/standard_tables.h"
#include "msi/transform_writer.h"

namespace toolstest {

using msptool::msi::Value;

msptool::msi::Database SmallProduct(const std::string& code, const std::string& version,
                                    int fileSize) {
  msptool::msi::Table property = msptool::kPropertyTable, file = msptool::kFileTable,
                      media = msptool::kMediaTable,
                      sequence = msptool::kInstallExecuteSequenceTable;
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"ProductCode", code},
                                    {"ProductVersion", version},
                                    {"UpgradeCode", kSmallUpgradeCode},
                                    {"ProductName", "Small"},
                                    {"ProductLanguage", "1033"}})
    property.rows.push_back({Value::String(name), Value::String(value)});
  file.rows.push_back(msptool::NamedRow(file, {{"File", Value::String("f.txt")},
                                               {"Component_", Value::String("C")},
                                               {"FileName", Value::String("f.txt")},
                                               {"FileSize", Value::Integer(fileSize)},
                                               {"Attributes", Value::Integer(512)},
                                               {"Sequence", Value::Integer(1)}}));
  media.rows.push_back(msptool::NamedRow(
      media, {{"DiskId", Value::Integer(1)}, {"LastSequence", Value::Integer(1)}}));
  sequence.rows.push_back({Value::String("InstallFiles"), {}, Value::Integer(4000)});
  return {0, {property, file, media, sequence}, {}};
}

msptool::PatchTarget SmallTarget(const std::string& code, const std::string& baseVersion,
                                 const std::string& upgradedVersion) {
  msptool::PatchTarget t{"base-" + baseVersion + ".msi",
                         "new-" + upgradedVersion + ".msi",
                         {},
                         {},
                         "comments",
                         ";1033",
                         ";1033"};
  t.baseline = SmallProduct(code, baseVersion, 1);
  t.upgraded = SmallProduct(code, upgradedVersion, 2);
  t.baselinePageCount = t.upgradedPageCount = 200;
  return t;
}

msptool::msi::Table& TableOf(msptool::msi::Database& db, const msptool::msi::Table& layout) {
  for (auto& t : db.tables)
    if (t.name == layout.name) return t;
  db.tables.push_back({layout.name, layout.columns, {}});
  return db.tables.back();
}

bool WriteSmallDatabase(const msptool::msi::Database& db, const std::string& path,
                        std::string& error) {
  msptool::msi::EncodedTables tables;
  return msptool::msi::EncodeDatabase(db, tables, error) &&
         msptool::CompoundFile::Write(
             path, msptool::kDatabaseClassId,
             [&](GsfOutfile* root) { return msptool::msi::WriteTableStreams(root, tables); },
             error);
}

msptool::DerivedPatch SmallPatch(const std::string& productCode, const std::string& patchCode) {
  msptool::PatchOptions options;
  options.patchCode = patchCode;
  msptool::DerivedPatch patch;
  std::string error;
  msptool::DerivePatch({SmallTarget(productCode, "1.0.0.0", "1.0.1.0")}, options, patch, error);
  return patch;
}

}  // namespace toolstest
