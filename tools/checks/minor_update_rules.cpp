#include "checks/minor_update_rules.h"

#include <cstdlib>
#include <map>

#include "base/error.h"
#include "checks/conventions.h"
#include "msi/row_index.h"

namespace msptool {
namespace {

// Problems by the label of their row: a rule reports the row of the smallest
// label, whatever the order of the table's rows.
using Problems = std::map<std::string, std::string>;

std::string First(const Problems& problems) {
  return problems.empty() ? std::string() : problems.begin()->second;
}

// The rows of `table`, none without a table.
const std::vector<msi::Row>& RowsOf(const msi::Table* table) {
  static const std::vector<msi::Row> none;
  return table ? table->rows : none;
}

std::string Problem(const char* table, const std::string& row, const std::string& rule) {
  return std::string("table ") + table + ", row " + row + ": " + rule;
}

// Rows of `table` that the upgrade removes. Here and below, indexes hold the
// upgraded rows (no rows without the table).
std::string Removed(const msi::Database& baseline, const char* table, const msi::RowIndex& now,
                    const char* what) {
  const msi::Table* before = baseline.Find(table);
  Problems problems;
  for (const auto& row : RowsOf(before)) {
    if (now.Find(*before, row)) continue;
    const std::string key = msi::KeyLabel(*before, row);
    problems.emplace(key, Problem(table, key, std::string("the ") + what + " is removed"));
  }
  return First(problems);
}

std::string ComponentChanges(const msi::Database& baseline, const msi::Database& upgraded,
                             const msi::RowIndex& components, const msi::RowIndex& features) {
  const msi::Table* before = baseline.Find("Component");
  const msi::Table* after = upgraded.Find("Component");
  Problems problems;
  for (const auto& row : RowsOf(before)) {
    const msi::Row* now = components.Find(*before, row);
    if (!now) continue;
    for (const char* column : {"ComponentId", "KeyPath"}) {
      const std::string was = msi::Cell(*before, row, column).text;
      const std::string is = msi::Cell(*after, *now, column).text;
      if (was == is) continue;
      const std::string key = msi::KeyLabel(*before, row);
      problems.emplace(
          key, Problem("Component", key,
                       std::string(column == std::string("KeyPath") ? "the key path"
                                                                    : "the component code") +
                           " changes from " + Quoted(was) + " to " + Quoted(is)));
      break;
    }
  }
  if (!problems.empty()) return First(problems);
  // A component that stays, in a feature that stays, but leaves it.
  const msi::Table* links = baseline.Find("FeatureComponents");
  const msi::RowIndex linksNow(upgraded.Find("FeatureComponents"));
  for (const auto& row : RowsOf(links)) {
    const std::string feature = row[0].text, component = row[1].text;
    if (!linksNow.Find(*links, row) && features.Find(feature) && components.Find(component)) {
      const std::string key = msi::KeyLabel(*links, row);
      problems.emplace(key, Problem("FeatureComponents", key,
                                    "component " + Quoted(component) + " moves out of feature " +
                                        Quoted(feature)));
    }
  }
  return First(problems);
}

// Whether the contents of file `before` (a File row of `baseline`) differ
// in `after` (its row in `upgraded`), as far as the databases tell: its size
// or its MsiFileHash row.
bool Changes(const msi::Database& baseline, const msi::Database& upgraded, const msi::Row& before,
             const msi::Row& after) {
  if (msi::Cell(*baseline.Find("File"), before, "FileSize") !=
      msi::Cell(*upgraded.Find("File"), after, "FileSize"))
    return true;
  const msi::Row* was = msi::FindRow(baseline.Find("MsiFileHash"), before[0].text);
  const msi::Row* is = msi::FindRow(upgraded.Find("MsiFileHash"), after[0].text);
  return (was == nullptr) != (is == nullptr) || (was && *was != *is);
}

std::string VersionChanges(const msi::Database& baseline, const msi::Database& upgraded,
                           const msi::RowIndex& files) {
  const msi::Table* before = baseline.Find("File");
  const msi::Table* after = upgraded.Find("File");
  Problems problems;
  for (const auto& row : RowsOf(before)) {
    const msi::Row* now = files.Find(*before, row);
    if (!now) continue;
    const std::string was = msi::Cell(*before, row, "Version").text;
    const std::string is = msi::Cell(*after, *now, "Version").text;
    if (!IsDottedVersion(was) || !IsDottedVersion(is)) continue;  // unversioned, or a companion
    const std::string key = msi::KeyLabel(*before, row);
    const int order = CompareVersions(is, was);
    if (order < 0)
      problems.emplace(
          key, Problem("File", key,
                       "the file's version goes down from " + Quoted(was) + " to " + Quoted(is)));
    // Windows replaces an installed versioned file only with a higher version
    // (page "File Versioning Rules", REINSTALLMODE "omus"): new contents
    // under the same version would stay uninstalled.
    else if (order == 0 && Changes(baseline, upgraded, row, *now))
      problems.emplace(key, SameVersionProblem(key, is));
  }
  if (!problems.empty()) return First(problems);
  const std::string was = msi::PropertyValue(baseline, "ProductVersion");
  const std::string is = msi::PropertyValue(upgraded, "ProductVersion");
  if (CompareVersions(is, was) <= 0)
    return Problem("Property", "ProductVersion",
                   "the version does not go up: " + Quoted(was) + " to " + Quoted(is));
  return {};
}

}  // namespace

std::vector<std::string> FilesUnderOneVersion(const msi::Database& baseline,
                                              const msi::Database& upgraded) {
  const msi::Table* before = baseline.Find("File");
  const msi::Table* after = upgraded.Find("File");
  const msi::RowIndex files(after);
  std::vector<std::string> keys;
  for (const auto& row : RowsOf(before)) {
    const msi::Row* now = files.Find(*before, row);
    if (!now) continue;
    const std::string was = msi::Cell(*before, row, "Version").text;
    const std::string is = msi::Cell(*after, *now, "Version").text;
    if (IsDottedVersion(was) && IsDottedVersion(is) && CompareVersions(is, was) == 0 &&
        !Changes(baseline, upgraded, row, *now))
      keys.push_back(row[0].text);
  }
  return keys;
}

std::string SameVersionProblem(const std::string& key, const std::string& version) {
  return Problem("File", key,
                 "the file changes but its version stays " + Quoted(version) +
                     ": Windows replaces an installed versioned file only with a higher "
                     "version (File Versioning Rules)");
}

int CompareVersions(const std::string& a, const std::string& b) {
  const auto fa = Split(a, '.'), fb = Split(b, '.');
  for (std::size_t i = 0; i < fa.size() || i < fb.size(); ++i) {
    const unsigned long x = i < fa.size() ? std::strtoul(fa[i].c_str(), nullptr, 10) : 0;
    const unsigned long y = i < fb.size() ? std::strtoul(fb[i].c_str(), nullptr, 10) : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool CheckMinorUpdate(const msi::Database& baseline, const msi::Database& upgraded,
                      std::string& error) {
  const std::string code = msi::PropertyValue(baseline, "ProductCode");
  if (code != msi::PropertyValue(upgraded, "ProductCode"))
    return Refuse(error, Problem("Property", "ProductCode",
                                 "the product code changes from " + Quoted(code) + " to " +
                                     Quoted(msi::PropertyValue(upgraded, "ProductCode")) +
                                     " (a major upgrade, not a patch)"));
  // The upgraded rows by key, each table indexed once for every rule.
  const msi::RowIndex components(upgraded.Find("Component"));
  const msi::RowIndex features(upgraded.Find("Feature"));
  const msi::RowIndex files(upgraded.Find("File"));
  for (const auto& problem :
       {Removed(baseline, "Component", components, "component"),
        Removed(baseline, "Feature", features, "feature"), Removed(baseline, "File", files, "file"),
        ComponentChanges(baseline, upgraded, components, features),
        VersionChanges(baseline, upgraded, files)})
    if (!problem.empty()) return Refuse(error, problem);
  return true;
}

}  // namespace msptool
