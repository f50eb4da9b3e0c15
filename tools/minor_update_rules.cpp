#include "minor_update_rules.h"

#include <cstdlib>
#include <map>

#include "conventions.h"

namespace msptool {
namespace {

using Rows = std::map<std::string, const msi::Row*>;

// The rows of `table` by their label (key values joined by '/').
Rows ByKey(const msi::Database& db, const char* table) {
  Rows rows;
  if (const msi::Table* t = db.Find(table))
    for (const auto& row : t->rows) rows.emplace(msi::KeyLabel(*t, row), &row);
  return rows;
}

std::string Cell(const msi::Database& db, const char* table, const msi::Row& row,
                 const char* column) {
  const msi::Table* t = db.Find(table);
  const std::size_t i = t->ColumnIndex(column);
  return i < row.size() ? row[i].text : std::string();
}

std::string Problem(const char* table, const std::string& row, const std::string& rule) {
  return std::string("table ") + table + ", row " + row + ": " + rule;
}

// Rows of `table` that the upgrade removes.
std::string Removed(const msi::Database& baseline, const msi::Database& upgraded, const char* table,
                    const char* what) {
  const Rows now = ByKey(upgraded, table);
  for (const auto& [key, row] : ByKey(baseline, table))
    if (!now.count(key)) return Problem(table, key, std::string("the ") + what + " is removed");
  return {};
}

std::string ComponentChanges(const msi::Database& baseline, const msi::Database& upgraded) {
  const Rows now = ByKey(upgraded, "Component");
  for (const auto& [key, row] : ByKey(baseline, "Component")) {
    const auto at = now.find(key);
    if (at == now.end()) continue;
    for (const char* column : {"ComponentId", "KeyPath"}) {
      const std::string was = Cell(baseline, "Component", *row, column);
      const std::string is = Cell(upgraded, "Component", *at->second, column);
      if (was != is)
        return Problem(
            "Component", key,
            std::string(column == std::string("KeyPath") ? "the key path" : "the component code") +
                " changes from " + Quoted(was) + " to " + Quoted(is));
    }
  }
  // A component that stays, in a feature that stays, but leaves it.
  const Rows features = ByKey(upgraded, "Feature");
  const Rows components = ByKey(upgraded, "Component");
  const Rows links = ByKey(upgraded, "FeatureComponents");
  for (const auto& [key, row] : ByKey(baseline, "FeatureComponents")) {
    const std::string feature = (*row)[0].text, component = (*row)[1].text;
    if (!links.count(key) && features.count(feature) && components.count(component))
      return Problem("FeatureComponents", key,
                     "component " + Quoted(component) + " moves out of feature " + Quoted(feature));
  }
  return {};
}

std::string VersionChanges(const msi::Database& baseline, const msi::Database& upgraded) {
  const Rows now = ByKey(upgraded, "File");
  for (const auto& [key, row] : ByKey(baseline, "File")) {
    const auto at = now.find(key);
    if (at == now.end()) continue;
    const std::string was = Cell(baseline, "File", *row, "Version");
    const std::string is = Cell(upgraded, "File", *at->second, "Version");
    if (IsFourFieldVersion(was) && IsFourFieldVersion(is) && CompareVersions(is, was) < 0)
      return Problem("File", key,
                     "the file's version goes down from " + Quoted(was) + " to " + Quoted(is));
  }
  const std::string was = msi::PropertyValue(baseline, "ProductVersion");
  const std::string is = msi::PropertyValue(upgraded, "ProductVersion");
  if (CompareVersions(is, was) <= 0)
    return Problem("Property", "ProductVersion",
                   "the version does not go up: " + Quoted(was) + " to " + Quoted(is));
  return {};
}

}  // namespace

int CompareVersions(const std::string& a, const std::string& b) {
  const auto fa = Split(a, '.'), fb = Split(b, '.');
  for (std::size_t i = 0; i < fa.size() || i < fb.size(); ++i) {
    const unsigned long x = i < fa.size() ? std::strtoul(fa[i].c_str(), nullptr, 10) : 0;
    const unsigned long y = i < fb.size() ? std::strtoul(fb[i].c_str(), nullptr, 10) : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

std::string MinorUpdateProblem(const msi::Database& baseline, const msi::Database& upgraded) {
  const std::string code = msi::PropertyValue(baseline, "ProductCode");
  if (code != msi::PropertyValue(upgraded, "ProductCode"))
    return Problem("Property", "ProductCode",
                   "the product code changes from " + Quoted(code) + " to " +
                       Quoted(msi::PropertyValue(upgraded, "ProductCode")) +
                       " (a major upgrade, not a patch)");
  for (const auto& problem :
       {Removed(baseline, upgraded, "Component", "component"),
        Removed(baseline, upgraded, "Feature", "feature"),
        Removed(baseline, upgraded, "File", "file"), ComponentChanges(baseline, upgraded),
        VersionChanges(baseline, upgraded)})
    if (!problem.empty()) return problem;
  return {};
}

}  // namespace msptool
