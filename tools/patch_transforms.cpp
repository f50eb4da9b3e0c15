#include "patch_transforms.h"

#include <glib.h>

#include "patch_tables.h"

namespace msptool {
namespace {

using msi::Value;

// The transforms' strings are in code page 1252, as the products' texts the
// patch writes are ASCII.
constexpr std::uint32_t kCodePage = 1252;

// Vital, and added by a patch: the installer takes such a file from the
// patch's own media.
constexpr std::int32_t kPatchFileAttributes = 0x0200 | 0x1000;
// The patch's media row and its files' sequence numbers sit far above those of
// the products (the installer renumbers them when it applies the patch); the
// property named in Source receives the patch's path.
constexpr std::int32_t kPatchDiskId = 1000;
constexpr std::int32_t kFirstPatchSequence = 1000;
constexpr char kMediaSourceProperty[] = "PatchMediaSource";
// PatchFiles runs right after InstallFiles (4000 in the standard sequence).
constexpr std::int32_t kPatchFilesSequence = 4010;

// The package code a product gets with the patch: derived from the patch and
// the product, so that every build writes the same one.
std::string NewPackageCode(const std::string& patchCode, const std::string& productCode) {
  const std::string seed = patchCode + productCode;
  gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_MD5, seed.c_str(), -1);
  std::string h = digest;
  g_free(digest);
  for (auto& c : h) c = static_cast<char>(g_ascii_toupper(c));
  for (const std::size_t at : {20, 16, 12, 8}) h.insert(at, 1, '-');
  return '{' + h + '}';
}

// See package_writer.h for both words of property 16.
msi::TransformSummary Summary(const std::string& productCode, const PatchContent& content,
                              bool files) {
  msi::TransformSummary s;
  s.codePage = kCodePage;
  s.revision = productCode + content.fromVersion + ";" + productCode + content.toVersion + ";" +
               content.upgradeCode;
  s.validation = msi::kValidateProductCode | (files ? msi::kValidateUpgradeCode : 0);
  s.errorConditions = msi::kIgnoreAddExistingRow | msi::kIgnoreDeleteMissingRow |
                      msi::kIgnoreAddExistingTable | (files ? msi::kValidateUpgradeCode : 0);
  return s;
}

// A change of `columns` (by name) of the row that `values` (keys included)
// describes.
void Update(msi::TableDiff& t, const msi::Table& table,
            const std::vector<std::pair<std::string, Value>>& values,
            const std::vector<std::string>& columns) {
  msi::RowUpdate update{{}, NamedRow(table, values), {}};
  for (const auto& c : columns) update.changed.push_back(table.ColumnIndex(c));
  t.updated.push_back(std::move(update));
}

Transform NewTransform(const std::string& name, const std::string& code,
                       const PatchContent& content, bool files) {
  Transform t;
  t.name = name;
  t.summary = Summary(code, content, files);
  t.diff.beforeCodePage = t.diff.afterCodePage = kCodePage;
  return t;
}

Transform DataTransform(const std::string& name, const std::string& code,
                        const PatchContent& content, bool files) {
  Transform t = NewTransform(name, code, content, files);
  msi::TableDiff property = msi::NoChanges(kPropertyTable);
  Update(
      property, kPropertyTable,
      {{"Property", Value::String("ProductVersion")}, {"Value", Value::String(content.toVersion)}},
      {"Value"});
  t.diff.tables.push_back(std::move(property));
  if (files) {
    msi::TableDiff file = msi::NoChanges(kFileTable);
    for (const auto& f : content.files)
      Update(file, kFileTable,
             {{"File", Value::String(f.name)},
              {"FileSize", Value::Integer(static_cast<std::int32_t>(f.size))}},
             {"FileSize"});
    t.diff.tables.push_back(std::move(file));
  }
  return t;
}

Transform PatchTransform(const std::string& name, const std::string& code,
                         const PatchContent& content, bool files) {
  Transform t = NewTransform("#" + name, code, content, files);
  if (files) {
    msi::TableDiff file = msi::NoChanges(kFileTable);
    std::int32_t sequence = kFirstPatchSequence;
    for (const auto& f : content.files)
      Update(file, kFileTable,
             {{"File", Value::String(f.name)},
              {"Attributes", Value::Integer(kPatchFileAttributes)},
              {"Sequence", Value::Integer(++sequence)}},
             {"Attributes", "Sequence"});
    t.diff.tables.push_back(std::move(file));
  }
  const auto lastSequence = static_cast<std::int32_t>(kFirstPatchSequence + content.files.size());
  msi::TableDiff media = msi::NoChanges(kMediaTable);
  media.inserted.push_back(
      NamedRow(kMediaTable, {{"DiskId", Value::Integer(kPatchDiskId)},
                             {"LastSequence", Value::Integer(lastSequence)},
                             {"Cabinet", Value::String(std::string("#") + kCabinetStream)},
                             {"Source", Value::String(kMediaSourceProperty)}}));
  t.diff.tables.push_back(std::move(media));
  // Of the tables it adds, only PatchPackage gets a row: whole files need no
  // Patch or MsiPatchHeaders rows.
  for (const msi::Table* added : {&kPatchTable, &kPatchPackageTable, &kMsiPatchHeadersTable}) {
    msi::TableDiff table = msi::NoChanges(*added);
    table.added = true;
    if (added == &kPatchPackageTable)
      table.inserted.push_back({Value::String(content.patchCode), Value::Integer(kPatchDiskId)});
    t.diff.tables.push_back(std::move(table));
  }
  msi::TableDiff property = msi::NoChanges(kPropertyTable);
  property.inserted = {{Value::String("PATCHNEWSUMMARYSUBJECT"), Value::String(content.subject)},
                       {Value::String("PATCHNEWPACKAGECODE"),
                        Value::String(NewPackageCode(content.patchCode, code))}};
  t.diff.tables.push_back(std::move(property));
  msi::TableDiff sequence = msi::NoChanges(kInstallExecuteSequenceTable);
  sequence.inserted.push_back(
      {Value::String("PatchFiles"), Value{}, Value::Integer(kPatchFilesSequence)});
  t.diff.tables.push_back(std::move(sequence));
  return t;
}

}  // namespace

std::vector<Transform> BuildTransforms(const PatchContent& content) {
  std::vector<Transform> transforms;
  int n = 0;
  for (const bool files : {true, false}) {
    if (files && content.files.empty()) continue;
    for (const auto& code : content.targets) {
      const std::string name = 'T' + std::to_string(++n);
      transforms.push_back(DataTransform(name, code, content, files));
      transforms.push_back(PatchTransform(name, code, content, files));
    }
  }
  return transforms;
}

}  // namespace msptool
