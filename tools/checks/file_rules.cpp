#include "checks/file_rules.h"

#include <algorithm>
#include <cstdio>

#include "checks/conventions.h"
#include "checks/minor_update_rules.h"
#include "checks/patch_shape.h"
#include "msi/row_index.h"
#include "msi/transform_reader.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

constexpr std::uint32_t kDocumentedValidation = 0x0FFF;
constexpr std::uint32_t kDocumentedErrors = 0x013F;
constexpr std::uint32_t kChangeCodePage = 0x0020;
constexpr std::int32_t kPatchAdded = 0x1000;

// A database's File and MsiFileHash rows by key, indexed once however many
// files are checked.
struct FileRows {
  explicit FileRows(const msi::Database& db)
      : file(db.Find("File")), files(file), hashes(db.Find("MsiFileHash")) {}
  const msi::Table* file;
  const msi::RowIndex files, hashes;

  // A file's Version, "" when the file or the version is missing.
  std::string Version(const std::string& key) const {
    const msi::Row* row = files.Find(key);
    return row ? msi::Cell(*file, *row, "Version").text.str() : std::string();
  }
};

// What Windows does with carried file `key` of `before` once `after` is the
// database: "replaced (...)" or "kept (...)".
std::string Verdict(const FileRows& before, const FileRows& after, const std::string& key) {
  const std::string was = before.Version(key);
  const std::string is = after.Version(key);
  if (!is.empty()) {
    if (was.empty() || CompareVersions(is, was) > 0) return "replaced (version " + is + ")";
    return "kept (version " + is + " is not above " + was + ")";
  }
  const msi::Row* oldHash = before.hashes.Find(key);
  const msi::Row* newHash = after.hashes.Find(key);
  if (!newHash) return "replaced (no hash)";
  if (oldHash && oldHash->size() == newHash->size() &&
      std::equal(oldHash->begin() + 1, oldHash->end(), newHash->begin() + 1))
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
    const msi::Table* file = db.Find("File");
    if (!file) continue;
    const FileRows before(baseline), after(db);
    for (const auto& row : file->rows) {
      if (!(msi::Cell(*file, row, "Attributes").number & kPatchAdded)) continue;
      const std::string verdict = Verdict(before, after, row[0].text);
      report.lines.push_back(code + " " + row[0].text + ": " + verdict);
      if (verdict.rfind("kept", 0) == 0)
        report.problems.push_back(code + ": file " + Quoted(row[0].text) + " would be " + verdict);
    }
  }
  return report;
}

}  // namespace msptool
