#include "checks/file_rules.h"

#include <cstdio>

#include "checks/conventions.h"
#include "checks/minor_update_rules.h"
#include "checks/windows_view.h"

namespace msptool {
namespace {

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
    report.patched.push_back(db);
  }
  return report;
}

}  // namespace msptool
