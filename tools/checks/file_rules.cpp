#include "checks/file_rules.h"

#include <cstdio>

#include "checks/conventions.h"
#include "checks/minor_update_rules.h"
#include "checks/patch_shape.h"
#include "msi/transform_reader.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

constexpr std::uint32_t kDocumentedValidation = 0x0FFF;
constexpr std::uint32_t kDocumentedErrors = 0x013F;
constexpr std::uint32_t kChangeCodePage = 0x0020;
constexpr std::int32_t kPatchAdded = 0x1000;

const msi::Row* Row(const msi::Database& db, const char* table, const std::string& key) {
  return msi::FindRow(db.Find(table), key);
}

// A file's Version, "" when the file or the version is missing.
std::string FileVersion(const msi::Database& db, const std::string& key) {
  const msi::Row* row = Row(db, "File", key);
  return row ? msi::Cell(*db.Find("File"), *row, "Version").text : std::string();
}

// What Windows does with carried file `key` of `before` once `after` is the
// database: "replaced (...)" or "kept (...)".
std::string Verdict(const msi::Database& before, const msi::Database& after,
                    const std::string& key) {
  const std::string was = FileVersion(before, key);
  const std::string is = FileVersion(after, key);
  if (!is.empty()) {
    if (was.empty() || CompareVersions(is, was) > 0) return "replaced (version " + is + ")";
    return "kept (version " + is + " is not above " + was + ")";
  }
  const msi::Row* oldHash = Row(before, "MsiFileHash", key);
  const msi::Row* newHash = Row(after, "MsiFileHash", key);
  if (!newHash) return "replaced (no hash)";
  if (oldHash && std::equal(oldHash->begin() + 1, oldHash->end(), newHash->begin() + 1))
    return "kept (MsiFileHash is still the installed file's)";
  return "replaced (new hash)";
}

}  // namespace

FileRuleReport CheckFileRules(const CompoundEntry& root, const std::string& transforms,
                              const std::vector<msi::Database>& baselines) {
  FileRuleReport report;
  for (const auto& baseline : baselines) {
    const std::string code = msi::PropertyValue(baseline, "ProductCode");
    msi::Database db = baseline;
    bool matched = false;
    for (const auto& item : Split(transforms, ';')) {
      const std::string name = item.substr(item.empty() ? 0 : 1);
      const CompoundEntry* storage = Child(root, name);
      if (!storage) continue;
      const TransformFacts facts = ReadTransformFacts(*storage);
      const bool patchTransform = name[0] == '#';
      if (!patchTransform) matched = facts.revision.rfind(code, 0) == 0;
      if (!matched) continue;
      const std::string where = "transform " + Quoted(name) + " for " + code;
      if ((facts.word >> 16) & ~kDocumentedValidation)
        report.problems.push_back(where + ": undocumented validation bits " +
                                  Hex((facts.word >> 16) & ~kDocumentedValidation, 4));
      if (facts.word & 0xFFFF & ~kDocumentedErrors)
        report.problems.push_back(where + ": undocumented error condition bits " +
                                  Hex(facts.word & 0xFFFF & ~kDocumentedErrors, 4));
      if (facts.codePage && baseline.codePage && facts.codePage != baseline.codePage &&
          !(facts.word & kChangeCodePage))
        report.problems.push_back(where + ": code page " + std::to_string(facts.codePage) +
                                  " conflicts with the product's " +
                                  std::to_string(baseline.codePage));
      msi::DatabaseDiff diff;
      std::vector<std::string> unknown;
      std::string error;
      if (!msi::ReadTransform(*storage, db, diff, unknown, error) || !msi::Apply(diff, db, error)) {
        report.problems.push_back(where + ": conflicts with the product: " + error);
        matched = false;
      }
    }
    std::vector<std::pair<std::string, const char*>> carried;  // key, "whole" or "delta"
    if (const msi::Table* file = db.Find("File"))
      for (const auto& row : file->rows)
        if (msi::Cell(*file, row, "Attributes").number & kPatchAdded)
          carried.emplace_back(row[0].text, "whole");
    if (const msi::Table* patch = db.Find("Patch"))
      for (const auto& row : patch->rows)
        if (!msi::FindRow(baseline.Find("Patch"), row[0].text))
          carried.emplace_back(row[0].text, "delta");
    for (const auto& [key, form] : carried) {
      const std::string verdict = Verdict(baseline, db, key);
      report.lines.push_back(code + " " + key + ": " + form + ", " + verdict);
      if (verdict.rfind("kept", 0) == 0)
        report.problems.push_back(code + ": file " + Quoted(key) + " would be " + verdict);
    }
    report.patched.push_back(std::move(db));
  }
  return report;
}

}  // namespace msptool
