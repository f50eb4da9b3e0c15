#include "checks/patch_shape.h"

#include <algorithm>
#include <cstdio>

#include "checks/conventions.h"
#include "compound/writer.h"
#include "msi/database_reader.h"
#include "msi/standard_tables.h"
#include "msi/transform_reader.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

// The PatchId of every row a transform's PatchPackage stream adds or changes,
// read with the layout the transform gives the table, or the standard one.
std::vector<std::string> PatchPackageIds(const CompoundEntry& transform) {
  const msi::Database target{0, {kPatchPackageTable}, {}};
  msi::DatabaseDiff diff;
  std::vector<std::string> unknown;
  std::string error;
  std::vector<std::string> ids;
  if (!msi::ReadTransform(transform, target, diff, unknown, error)) return ids;
  if (const msi::TableDiff* rows = diff.Find(kPatchPackageTable.name)) {
    for (const auto& row : rows->inserted) ids.push_back(row[0].text);
    for (const auto& update : rows->updated) ids.push_back(update.after[0].text);
  }
  return ids;
}

}  // namespace

TransformFacts ReadTransformFacts(const CompoundEntry& transform) {
  TransformFacts facts;
  const CompoundEntry* stream = Child(transform, kSummaryStreamName);
  std::string header;
  std::vector<StoredProperty> properties;
  if (!stream || !ReadSummaryStream(stream->bytes, header, properties)) return facts;
  for (const auto& p : properties) {
    std::int64_t number = 0;
    if (p.id == kCodePageProperty && StoredNumber(p, number))
      facts.codePage = static_cast<std::uint16_t>(number);
    if (p.id == kPageCountProperty) StoredNumber(p, facts.pageCount);
    if (p.id == kCharacterCountProperty && StoredNumber(p, number)) {
      facts.hasWord = true;
      facts.word = static_cast<std::uint32_t>(number);
    }
    if (p.id == kRevisionProperty) StoredString(p, facts.revision);
    if (p.id == kTemplateProperty) StoredString(p, facts.target);
  }
  return facts;
}

PatchShape InspectPatchShape(const CompoundEntry& root, const std::string& transforms,
                             const std::string& patchCode) {
  PatchShape shape;
  auto& problems = shape.problems;
  std::vector<std::string> names;
  // No ':'; an empty list or element (refused by the check before) names "".
  for (const auto& item : Split(transforms, ';')) names.push_back(item.substr(!item.empty()));
  const std::string code = patchCode.substr(0, 38);
  std::size_t pairs = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    const bool patchTransform = !name.empty() && name[0] == '#';
    if (!patchTransform && (i + 1 == names.size() || names[i + 1] != "#" + name))
      problems.push_back("data transform " + Quoted(name) + " has no patch transform " +
                         Quoted("#" + name) + " after it in property 8");
    if (patchTransform && (i == 0 || "#" + names[i - 1] != name))
      problems.push_back("patch transform " + Quoted(name) +
                         " does not follow its data transform in property 8");
    pairs += patchTransform ? 1 : 0;
    const CompoundEntry* storage = Child(root, name);
    if (!storage || !storage->isStorage) {
      problems.push_back("transform " + Quoted(name) + " of property 8 is not in the package");
      continue;
    }
    const TransformFacts facts = ReadTransformFacts(*storage);
    const bool hasCount = facts.hasWord;
    const std::uint32_t count = facts.word;
    const std::uint32_t validation = count >> 16;
    if (hasCount && validation == 0 && (count & 0xFFFF) != 0)
      problems.push_back("transform " + Quoted(name) + " has its validation flags in the lower " +
                         "word of property 16 (" + Hex(count, 8) +
                         "): Windows reads them from the upper word, and the lower word as the " +
                         "error conditions to suppress");
    else if (validation == 0 && msi::TableBytes(*storage, "File"))
      problems.push_back("transform " + Quoted(name) +
                         " changes File rows but validates nothing (property 16 " +
                         (hasCount ? Hex(count, 8) : "missing") + ")");
    // Page "Page Count Summary property": required, the installer version
    // the transform needs.
    if (facts.pageCount <= 0)
      problems.push_back("transform " + Quoted(name) + " has no Page Count (property 14), " +
                         "which a transform requires: the greater of its two packages' values");
    if (patchTransform) {
      const auto ids = PatchPackageIds(*storage);
      if (std::find(ids.begin(), ids.end(), code) == ids.end())
        problems.push_back("patch transform " + Quoted(name) + " has no PatchPackage row for " +
                           "the patch code " + Quoted(code));
    }
  }
  if (!msi::TableBytes(root, "MsiPatchSequence"))
    problems.push_back("the package root has no MsiPatchSequence table");
  shape.report =
      problems.empty()
          ? "Windows patch shape: " + std::to_string(pairs) +
                " transform pairs, validation in the upper word of property 16, " +
                "PatchPackage rows for " + code + ", MsiPatchSequence"
          : "not the Windows patch shape (" + std::to_string(problems.size()) + " problems)";
  return shape;
}

}  // namespace msptool
