#include "support/small_patch.h"

#include "msi/standard_tables.h"

namespace toolstest {

using msptool::msi::Value;

msptool::DerivedPatch SmallPatch(const std::string& productCode, const std::string& patchCode) {
  msptool::PatchTarget t{"base.msi", "new.msi", {}, {}, "comments", ";1033", ";1033", 2};
  for (auto* db : {&t.baseline, &t.upgraded}) {
    const bool upgraded = db == &t.upgraded;
    msptool::msi::Table property = msptool::kPropertyTable, file = msptool::kFileTable,
                        media = msptool::kMediaTable,
                        sequence = msptool::kInstallExecuteSequenceTable;
    for (const auto& [name, value] : {std::pair{"ProductCode", productCode},
                                      {"ProductVersion", upgraded ? "1.0.1.0" : "1.0.0.0"},
                                      {"UpgradeCode", "{00000000-0000-0000-0000-0000000000AA}"},
                                      {"ProductName", "Small"}})
      property.rows.push_back({Value::String(name), Value::String(value)});
    file.rows.push_back(msptool::NamedRow(file, {{"File", Value::String("f.txt")},
                                                 {"Component_", Value::String("C")},
                                                 {"FileName", Value::String("f.txt")},
                                                 {"FileSize", Value::Integer(upgraded ? 2 : 1)},
                                                 {"Attributes", Value::Integer(512)},
                                                 {"Sequence", Value::Integer(1)}}));
    media.rows.push_back(msptool::NamedRow(
        media, {{"DiskId", Value::Integer(1)}, {"LastSequence", Value::Integer(1)}}));
    sequence.rows.push_back({Value::String("InstallFiles"), {}, Value::Integer(4000)});
    *db = {0, {property, file, media, sequence}, {}};
  }
  msptool::PatchOptions options;
  options.patchCode = patchCode;
  msptool::DerivedPatch patch;
  std::string error;
  msptool::DerivePatch({t}, options, patch, error);
  return patch;
}

}  // namespace toolstest
