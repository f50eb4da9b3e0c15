#include "msi/standard_tables.h"

#include "base/error.h"

namespace msptool {

using namespace msi;

namespace {
constexpr std::uint16_t kKeyText = kText | kTypeKey;
constexpr std::uint16_t kNullableText = kText | kTypeNullable;
constexpr std::uint16_t kLocalText = kText | kTypeLocalizable;
}  // namespace

const Table kPropertyTable = {"Property", {{"Property", kKeyText | 72}, {"Value", kLocalText}}, {}};
const Table kFileTable = {"File",
                          {{"File", kKeyText | 72},
                           {"Component_", kText | 72},
                           {"FileName", kLocalText | 255},
                           {"FileSize", kLongInteger},
                           {"Version", kNullableText | 72},
                           {"Language", kNullableText | 20},
                           {"Attributes", kShortInteger | kTypeNullable},
                           {"Sequence", kLongInteger}},
                          {}};
const Table kDirectoryTable = {"Directory",
                               {{"Directory", kKeyText | 72},
                                {"Directory_Parent", kNullableText | 72},
                                {"DefaultDir", kLocalText | 255}},
                               {}};
const Table kMediaTable = {"Media",
                           {{"DiskId", kShortInteger | kTypeKey},
                            {"LastSequence", kLongInteger},
                            {"DiskPrompt", kNullableText | kTypeLocalizable | 64},
                            {"Cabinet", kNullableText | 255},
                            {"VolumeLabel", kNullableText | 32},
                            {"Source", kNullableText | 72}},
                           {}};
const Table kInstallExecuteSequenceTable = {"InstallExecuteSequence",
                                            {{"Action", kKeyText | 72},
                                             {"Condition", kNullableText | 255},
                                             {"Sequence", kShortInteger | kTypeNullable}},
                                            {}};

const Table kMsiFileHashTable = {"MsiFileHash",
                                 {{"File_", kKeyText | 72},
                                  {"Options", kShortInteger},
                                  {"HashPart1", kLongInteger},
                                  {"HashPart2", kLongInteger},
                                  {"HashPart3", kLongInteger},
                                  {"HashPart4", kLongInteger}},
                                 {}};

const Table kPatchTable = {"Patch",
                           {{"File_", kKeyText | 72},
                            {"Sequence", kShortInteger | kTypeKey},
                            {"PatchSize", kLongInteger},
                            {"Attributes", kShortInteger},
                            {"Header", kStream | kTypeNullable},
                            {"StreamRef_", kNullableText | 72}},
                           {}};
const Table kPatchPackageTable = {
    "PatchPackage", {{"PatchId", kKeyText | 38}, {"Media_", kShortInteger}}, {}};
const Table kMsiPatchHeadersTable = {
    "MsiPatchHeaders", {{"StreamRef", kKeyText | 72}, {"Header", kStream}}, {}};
const Table kMsiPatchSequenceTable = {"MsiPatchSequence",
                                      {{"PatchFamily", kKeyText | 72},
                                       {"ProductCode", kKeyText | kTypeNullable | 38},
                                       {"Sequence", kText | 72},
                                       {"Attributes", kLongInteger | kTypeNullable}},
                                      {}};

const Table kMsiPatchMetadataTable = {
    "MsiPatchMetadata",
    {{"Company", kKeyText | kTypeNullable | 72}, {"Property", kKeyText | 72}, {"Value", kText}},
    {}};

bool HasColumnsRead(const Database& db, std::string& error) {
  static const std::vector<std::pair<std::string, std::vector<std::string>>> read = [] {
    const auto names = [](const Table& t) {
      std::vector<std::string> out;
      for (const auto& column : t.columns) out.push_back(column.name);
      return out;
    };
    std::vector<std::pair<std::string, std::vector<std::string>>> tables = {
        {"Component", {"Directory_"}},
        {"Directory", {"Directory_Parent", "DefaultDir"}},
        {"AdminExecuteSequence", names(kInstallExecuteSequenceTable)}};
    for (const Table* t : {&kPropertyTable, &kFileTable, &kMediaTable,
                           &kInstallExecuteSequenceTable, &kMsiFileHashTable})
      tables.push_back({t->name, names(*t)});
    return tables;
  }();
  for (const auto& [name, columns] : read)
    if (const Table* table = db.Find(name))
      for (const auto& column : columns)
        if (table->ColumnIndex(column) == table->columns.size())
          return Refuse(error, "table " + name + " has no column " + column);
  return true;
}

Row NamedRow(const Table& table, const std::vector<std::pair<std::string, Value>>& values) {
  Row row(table.columns.size());
  for (const auto& [column, value] : values) {
    const std::size_t i = table.ColumnIndex(column);
    if (i < row.size()) row[i] = value;
  }
  return row;
}

}  // namespace msptool
