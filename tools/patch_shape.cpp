#include "patch_shape.h"

#include <algorithm>
#include <cstdio>

#include "compound_file.h"
#include "conventions.h"
#include "summary_stream.h"

namespace msptool {
namespace {

std::uint32_t U16(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8);
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

const std::string* StreamOf(const CompoundEntry& storage, const std::string& table) {
  const CompoundEntry* entry = Child(storage, EncodeStreamName(table, true));
  return entry && !entry->isStorage ? &entry->bytes : nullptr;
}

// Property 16 of a transform; false when it has none.
bool CharacterCount(const CompoundEntry& transform, std::uint32_t& value) {
  const CompoundEntry* stream = Child(transform, kSummaryStreamName);
  std::string header;
  std::vector<StoredProperty> properties;
  if (!stream || !ReadSummaryStream(stream->bytes, header, properties)) return false;
  for (const auto& p : properties) {
    std::int64_t number = 0;
    if (p.id == kCharacterCountProperty && StoredNumber(p, number)) {
      value = static_cast<std::uint32_t>(number);
      return true;
    }
  }
  return false;
}

// The PatchId of every row a transform's PatchPackage stream adds or changes.
std::vector<std::string> PatchPackageIds(const CompoundEntry& transform) {
  const std::string* pool = StreamOf(transform, "_StringPool");
  const std::string* data = StreamOf(transform, "_StringData");
  const std::string* rows = StreamOf(transform, "PatchPackage");
  if (!pool || !data || !rows || pool->size() < 4) return {};
  // A pool whose code page has the top bit set uses 3-byte references.
  const std::size_t refSize = (static_cast<unsigned char>((*pool)[3]) & 0x80) ? 3 : 2;
  std::vector<std::string> strings{""};
  std::size_t offset = 0;
  for (std::size_t at = 4; at + 4 <= pool->size(); at += 4) {
    const std::size_t length = U16(*pool, at);
    strings.push_back(data->substr(std::min(offset, data->size()), length));
    offset += length;
  }
  std::vector<std::string> ids;
  for (std::size_t at = 0; at + 2 + refSize <= rows->size();) {
    const std::uint32_t mask = U16(*rows, at);
    std::uint32_t id = U16(*rows, at + 2);
    if (refSize == 3)
      id |= static_cast<std::uint32_t>(static_cast<unsigned char>((*rows)[at + 4])) << 16;
    at += 2 + refSize;
    // Media_, the second column: in a whole row of two columns or more, or
    // in a changed row whose mask names it.
    if ((mask & 1) ? (mask >> 8) >= 2 : (mask & 2) != 0) at += 2;
    if (mask != 0 && id < strings.size()) ids.push_back(strings[id]);
  }
  return ids;
}

}  // namespace

PatchShape InspectPatchShape(const CompoundEntry& root, const std::string& transforms,
                             const std::string& patchCode) {
  PatchShape shape;
  auto& problems = shape.problems;
  std::vector<std::string> names;
  for (const auto& item : Split(transforms, ';')) names.push_back(item.substr(1));  // no ':'
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
    std::uint32_t count = 0;
    const bool hasCount = CharacterCount(*storage, count);
    const std::uint32_t validation = count >> 16;
    if (hasCount && validation == 0 && (count & 0xFFFF) != 0)
      problems.push_back("transform " + Quoted(name) + " has its validation flags in the lower " +
                         "word of property 16 (" + Hex(count) +
                         "): Windows reads them from the upper word, and the lower word as the " +
                         "error conditions to suppress");
    else if (validation == 0 && StreamOf(*storage, "File"))
      problems.push_back("transform " + Quoted(name) +
                         " changes File rows but validates nothing (property 16 " +
                         (hasCount ? Hex(count) : "missing") + ")");
    if (patchTransform) {
      const auto ids = PatchPackageIds(*storage);
      if (std::find(ids.begin(), ids.end(), code) == ids.end())
        problems.push_back("patch transform " + Quoted(name) + " has no PatchPackage row for " +
                           "the patch code " + Quoted(code));
    }
  }
  if (!StreamOf(root, "MsiPatchSequence"))
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
