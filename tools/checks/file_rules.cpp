#include "checks/file_rules.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "checks/conventions.h"
#include "checks/minor_update_rules.h"
#include "checks/windows_view.h"
#include "msi/row_index.h"

namespace msptool {
namespace {

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
  const WindowsView view = ApplyAsWindows(root, transforms, baselines);
  report.lines = ViewLines(view);
  report.problems = view.problems;
  for (std::size_t i = 0; i < view.baselines.size(); ++i) {
    const msi::Database& baseline = baselines[i];
    const msi::Database& db = view.baselines[i].result;
    const std::string& code = view.baselines[i].productCode;
    std::vector<std::pair<std::string, const char*>> carried;  // key, "whole" or "delta"
    if (const msi::Table* file = db.Find("File"))
      for (const auto& row : file->rows)
        if (msi::Cell(*file, row, "Attributes").number & kPatchAdded)
          carried.emplace_back(row[0].text, "whole");
    // The baseline's Patch rows by file (the table's first key).
    std::set<std::string> patched;
    if (const msi::Table* patch = baseline.Find("Patch"))
      for (const auto& row : patch->rows) patched.insert(row[0].text);
    if (const msi::Table* patch = db.Find("Patch"))
      for (const auto& row : patch->rows)
        if (!patched.count(row[0].text)) carried.emplace_back(row[0].text, "delta");
    const FileRows before(baseline), after(db);
    for (const auto& [key, form] : carried) {
      const std::string verdict = Verdict(before, after, key);
      report.lines.push_back(code + " " + key + ": " + form + ", " + verdict);
      if (verdict.rfind("kept", 0) == 0)
        report.problems.push_back(code + ": file " + Quoted(key) + " would be " + verdict);
    }
    report.patched.push_back(db);
  }
  return report;
}

}  // namespace msptool
