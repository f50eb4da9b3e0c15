#include "patch_transforms.h"

#include "table_stream.h"

namespace msptool {
namespace {

using Type = Column::Type;

// File and Media as installer databases lay them out (the 32-bit Sequence and
// LastSequence of current schemas).
const std::vector<Column> kPropertyColumns = {{Type::String, true}, {Type::String, false}};
const std::vector<Column> kFileColumns = {
    {Type::String, true},   // File
    {Type::String, false},  // Component_
    {Type::String, false},  // FileName
    {Type::Int32, false},   // FileSize
    {Type::String, false},  // Version
    {Type::String, false},  // Language
    {Type::Int16, false},   // Attributes
    {Type::Int32, false},   // Sequence
};
const std::vector<Column> kMediaColumns = {
    {Type::Int16, true},    // DiskId
    {Type::Int32, false},   // LastSequence
    {Type::String, false},  // DiskPrompt
    {Type::String, false},  // Cabinet
    {Type::String, false},  // VolumeLabel
    {Type::String, false},  // Source
};

// The changed columns of a File row: FileSize, Attributes and Sequence.
constexpr std::uint16_t kFileChanged = (1u << 3) | (1u << 6) | (1u << 7);
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

std::string Description(const std::string& productCode, const PatchContent& content) {
  return productCode + content.fromVersion + ";" + productCode + content.toVersion + ";" +
         content.upgradeCode;
}

Transform VersionTransform(std::size_t index, const PatchContent& content) {
  const std::string& code = content.targets[index];
  Transform t;
  t.name = "Version" + std::to_string(index + 1);
  t.description = Description(code, content);
  t.validation = kValidateProductCode;
  TableStream property(kPropertyColumns);
  property.Update({std::string("ProductVersion"), content.toVersion}, kValueChanged, t.strings);
  t.tables.emplace_back("Property", property.Bytes());
  return t;
}

Transform FilesTransform(const PatchContent& content) {
  Transform t;
  t.name = "Files";
  // The product code only fills the description's form: an upgrade-code
  // validated transform does not look at it.
  t.description = Description(content.targets.empty() ? "" : content.targets.front(), content);
  t.validation = kValidateUpgradeCode;

  TableStream file(kFileColumns);
  std::int32_t sequence = kFirstPatchSequence;
  for (const auto& f : content.files) {
    file.Update({f.name,
                 {},
                 {},
                 static_cast<std::int32_t>(f.size),
                 {},
                 {},
                 kPatchFileAttributes,
                 ++sequence},
                kFileChanged, t.strings);
  }
  TableStream media(kMediaColumns);
  media.Insert({kPatchDiskId,
                sequence,
                {},
                std::string("#") + kCabinetStream,
                {},
                std::string(kMediaSourceProperty)},
               t.strings);
  t.tables.emplace_back("File", file.Bytes());
  t.tables.emplace_back("Media", media.Bytes());
  return t;
}

}  // namespace

std::vector<Transform> BuildTransforms(const PatchContent& content) {
  std::vector<Transform> transforms;
  for (std::size_t i = 0; i < content.targets.size(); ++i)
    transforms.push_back(VersionTransform(i, content));
  if (!content.files.empty()) transforms.push_back(FilesTransform(content));
  return transforms;
}

}  // namespace msptool
