#include "patch_transforms.h"

#include <glib.h>

#include "table_stream.h"

namespace msptool {
namespace {

// The changed columns of a File row: FileSize in the data transform,
// Attributes and Sequence in the patch transform.
constexpr std::uint16_t kFileSizeChanged = 1u << 3;
constexpr std::uint16_t kFileSequenceChanged = (1u << 6) | (1u << 7);
// The changed column of a Property row: Value.
constexpr std::uint16_t kValueChanged = 1u << 1;

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

std::string Description(const std::string& productCode, const PatchContent& content) {
  return productCode + content.fromVersion + ";" + productCode + content.toVersion + ";" +
         content.upgradeCode;
}

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

// See package_writer.h.
std::uint32_t CharacterCount(bool files) {
  const std::uint32_t validation = kValidateProductCode | (files ? kValidateUpgradeCode : 0);
  const std::uint32_t errors =
      kIgnoreAddExistingRow | kIgnoreDeleteMissingRow | kIgnoreAddExistingTable;
  return (validation << 16) | errors | (files ? kValidateUpgradeCode : 0);
}

Transform DataTransform(const std::string& name, const std::string& code,
                        const PatchContent& content, bool files) {
  Transform t;
  t.name = name;
  t.description = Description(code, content);
  t.characterCount = CharacterCount(files);
  TableStream property(kPropertyLayout);
  property.Update({std::string("ProductVersion"), content.toVersion}, kValueChanged, t.strings);
  t.tables.emplace_back("Property", property.Bytes());
  if (files) {
    TableStream file(kFileLayout);
    for (const auto& f : content.files)
      file.Update({f.name, {}, {}, static_cast<std::int32_t>(f.contents.size()), {}, {}, {}, {}},
                  kFileSizeChanged, t.strings);
    t.tables.emplace_back("File", file.Bytes());
  }
  return t;
}

void AddInserts(Transform& t, const std::string& table, const std::vector<Column>& layout,
                const std::vector<std::vector<Cell>>& rows) {
  TableStream stream(layout);
  for (const auto& row : rows) stream.Insert(row, t.strings);
  t.tables.emplace_back(table, stream.Bytes());
}

Transform PatchTransform(const std::string& name, const std::string& code,
                         const PatchContent& content, bool files) {
  Transform t;
  t.name = "#" + name;
  t.description = Description(code, content);
  t.characterCount = CharacterCount(files);
  if (files) {
    TableStream file(kFileLayout);
    std::int32_t sequence = kFirstPatchSequence;
    for (const auto& f : content.files)
      file.Update({f.name, {}, {}, {}, {}, {}, kPatchFileAttributes, ++sequence},
                  kFileSequenceChanged, t.strings);
    t.tables.emplace_back("File", file.Bytes());
  }
  const auto lastSequence = static_cast<std::int32_t>(kFirstPatchSequence + content.files.size());
  AddInserts(t, "Media", kMediaLayout,
             {{kPatchDiskId,
               lastSequence,
               {},
               std::string("#") + kCabinetStream,
               {},
               std::string(kMediaSourceProperty)}});
  // Of the tables it adds, only PatchPackage gets a row: whole files need no
  // Patch or MsiPatchHeaders rows.
  AddInserts(t, "_Tables", kTablesLayout, TablesRows(kPatchTables));
  AddInserts(t, "_Columns", kColumnsLayout, ColumnsRows(kPatchTables));
  AddInserts(t, "PatchPackage", Layout(kPatchTables[kPatchPackageTable]),
             {{content.patchCode, kPatchDiskId}});
  AddInserts(t, "Property", kPropertyLayout,
             {{std::string("PATCHNEWSUMMARYSUBJECT"), content.subject},
              {std::string("PATCHNEWPACKAGECODE"), NewPackageCode(content.patchCode, code)}});
  AddInserts(t, "InstallExecuteSequence", kSequenceLayout,
             {{std::string("PatchFiles"), {}, kPatchFilesSequence}});
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
