#include "checks/windows_view.h"

#include "checks/conventions.h"
#include "checks/minor_update_rules.h"
#include "checks/uninstallable_tables.h"
#include "msi/database_reader.h"
#include "msi/transform_reader.h"
#include "msi/transform_writer.h"

namespace msptool {
namespace {

// The bits of property 16 that pages "Summary Information Stream Property
// Set" and "MsiDatabaseApplyTransform" define.
constexpr std::uint32_t kDocumentedValidation = 0x0FFF;
constexpr std::uint32_t kDocumentedErrors = 0x013F;

// The first `fields` fields of a dotted version.
std::string Leading(const std::string& version, int fields) {
  const auto parts = Split(version, '.');
  std::string out;
  for (int i = 0; i < fields && i < static_cast<int>(parts.size()); ++i)
    out += (i ? "." : "") + parts[static_cast<std::size_t>(i)];
  return out;
}

// `db`'s tables without their rows: a transform read against it keeps every
// whole row it holds an insertion, as the installer meets it, rather than
// the update of a row the database has.
msi::Database Layouts(const msi::Database& db) {
  msi::Database layouts{db.codePage, {}, {}};
  for (const auto& t : db.tables) layouts.tables.push_back({t.name, t.columns, {}});
  return layouts;
}

// Whether the patch's MsiPatchMetadata says AllowRemoval 1.
bool MarkedRemovable(const CompoundEntry& root) {
  msi::Database db;
  std::string error;
  if (!msi::ReadDatabase(root, db, error)) return false;
  const msi::Table* metadata = db.Find("MsiPatchMetadata");
  if (!metadata) return false;
  for (const auto& row : metadata->rows)
    if (msi::Cell(*metadata, row, "Company").kind == msi::Value::Kind::Null &&
        msi::Cell(*metadata, row, "Property").text == "AllowRemoval")
      return msi::Cell(*metadata, row, "Value").text == "1";
  return false;
}

// Applies the transform in `storage` to `db` under the error conditions the
// lower word of its property 16 suppresses; `diff` gets what it changes. On
// an error condition that is not suppressed, `db` stays and `why` says which.
bool ApplyUnderErrorConditions(const CompoundEntry& storage, const TransformFacts& facts,
                               msi::Database& db, msi::DatabaseDiff& diff, std::string& why) {
  const std::uint16_t suppressed = facts.word & 0xFFFF;
  // Page "MsiDatabaseApplyTransform": code pages that differ, neither
  // neutral, are an error condition.
  if (facts.codePage && db.codePage && facts.codePage != db.codePage &&
      !(suppressed & msi::kIgnoreChangeCodePage)) {
    why = "fails: code page " + std::to_string(facts.codePage) + " conflicts with the product's " +
          std::to_string(db.codePage) + " (error condition 0x0020 not suppressed)";
    return false;
  }
  std::vector<std::string> unknown;
  std::string error;
  msi::Database next = db;
  if (!msi::ReadTransform(storage, Layouts(db), diff, unknown, error) ||
      !msi::Apply(diff, next, error, suppressed)) {
    why = "fails: " + error + " (an error condition its property 16 does not suppress)";
    return false;
  }
  db = std::move(next);
  why = "applied";
  return true;
}

}  // namespace

std::string ValidationFailure(const TransformFacts& facts, const msi::Database& db) {
  const std::uint32_t v = facts.word >> 16;
  // Property 9: "{base code}base version;{upgraded code}upgraded version;upgrade code".
  const auto parts = Split(facts.revision, ';');
  const std::string baseCode = parts[0].substr(0, 38);
  const std::string baseVersion = parts[0].size() > 38 ? parts[0].substr(38) : "";
  const std::string code = msi::PropertyValue(db, "ProductCode");
  if ((v & msi::kValidateProductCode) && code != baseCode)
    return "product code " + Quoted(code) + " is not the transform's " + Quoted(baseCode) +
           " (validation 0x0002)";
  const std::string upgradeCode = msi::PropertyValue(db, "UpgradeCode");
  if ((v & msi::kValidateUpgradeCode) && upgradeCode != (parts.size() > 2 ? parts[2] : ""))
    return "upgrade code " + Quoted(upgradeCode) + " is not the transform's (validation 0x0800)";
  if (v & msi::kValidateLanguage) {
    const std::string language = msi::PropertyValue(db, "ProductLanguage");
    const auto semicolon = facts.target.find(';');
    const auto languages =
        Split(semicolon == std::string::npos ? "" : facts.target.substr(semicolon + 1), ',');
    bool found = false;
    for (const auto& l : languages) found = found || l == language || l == "0";
    if (!found)
      return "language " + Quoted(language) + " is not the transform's " + Quoted(facts.target) +
             " (validation 0x0001)";
  }
  // How much of the version counts, then how the installed version must
  // stand to the base version (page "Database.CreateTransformSummaryInfo
  // method": choose a field count, then a relation).
  const int fields = (v & msi::kValidateUpdateVersion)  ? 3
                     : (v & msi::kValidateMinorVersion) ? 2
                     : (v & msi::kValidateMajorVersion) ? 1
                                                        : 0;
  if (fields == 0) return {};
  const std::string version = msi::PropertyValue(db, "ProductVersion");
  const int order = CompareVersions(Leading(version, fields), Leading(baseVersion, fields));
  const struct {
    std::uint32_t bit;
    bool holds;
    const char* relation;
  } relations[] = {{msi::kValidateNewLessBase, order < 0, "below"},
                   {msi::kValidateNewLessEqualBase, order <= 0, "at most"},
                   {msi::kValidateNewEqualBase, order == 0, "equal to"},
                   {msi::kValidateNewGreaterEqualBase, order >= 0, "at least"},
                   {msi::kValidateNewGreaterBase, order > 0, "above"}};
  for (const auto& r : relations)
    if ((v & r.bit) && !r.holds)
      return "installed version " + Quoted(version) + " is not " + r.relation +
             " the transform's base version " + Quoted(baseVersion) + " in its first " +
             std::to_string(fields) + " fields (validation " + Hex(r.bit, 4) + ")";
  return {};
}

WindowsView ApplyAsWindows(const CompoundEntry& root, const std::string& transforms,
                           const std::vector<msi::Database>& baselines) {
  WindowsView view;
  const bool removable = MarkedRemovable(root);
  for (const auto& baseline : baselines) {
    BaselineView b{msi::PropertyValue(baseline, "ProductCode"),
                   msi::PropertyValue(baseline, "ProductVersion"),
                   {},
                   baseline};
    const std::string product = b.productCode + " " + b.version;
    bool dataApplied = false, anyApplied = false;
    for (const auto& item : Split(transforms, ';')) {
      TransformOutcome o{item.substr(item.empty() ? 0 : 1), false, {}};
      const std::string where = "transform " + Quoted(o.name) + " for " + product;
      const CompoundEntry* storage = Child(root, o.name);
      const bool patchTransform = !o.name.empty() && o.name[0] == '#';
      if (!storage) {
        o.why = "not in the package";
        b.transforms.push_back(o);
        continue;
      }
      const TransformFacts facts = ReadTransformFacts(*storage);
      if ((facts.word >> 16) & ~kDocumentedValidation)
        view.problems.push_back(where + ": undocumented validation bits " +
                                Hex((facts.word >> 16) & ~kDocumentedValidation, 4));
      if (facts.word & 0xFFFF & ~kDocumentedErrors)
        view.problems.push_back(where + ": undocumented error condition bits " +
                                Hex(facts.word & 0xFFFF & ~kDocumentedErrors, 4));
      msi::DatabaseDiff diff;
      o.why = ValidationFailure(facts, b.result);
      if (!o.why.empty())
        o.why = "skipped: " + o.why;
      else
        o.applied = ApplyUnderErrorConditions(*storage, facts, b.result, diff, o.why);
      if (const std::string blocking = RowBlockingRemoval(diff);
          o.applied && removable && !blocking.empty())
        view.problems.push_back(where + ": adds " + blocking +
                                ", so Windows would not remove this patch marked removable "
                                "(Uninstallable Patches)");
      if (o.why.rfind("fails", 0) == 0) view.problems.push_back(where + " " + o.why);
      if (patchTransform && dataApplied && !o.applied)
        view.problems.push_back(where + " " + o.why +
                                " after its data transform applied: Windows gets the patch's "
                                "changes without its PatchPackage, Media row and PatchFiles");
      if (!patchTransform) dataApplied = o.applied;
      anyApplied = anyApplied || o.applied;
      b.transforms.push_back(std::move(o));
    }
    if (!anyApplied)
      view.problems.push_back("no transform of the patch applies to baseline " + product);
    view.baselines.push_back(std::move(b));
  }
  return view;
}

std::vector<std::string> ViewLines(const WindowsView& view) {
  std::vector<std::string> lines;
  for (const auto& b : view.baselines) {
    const std::string product = b.productCode + " " + b.version + ": ";
    int others = 0;
    for (const auto& t : b.transforms) {
      // The transforms of the other targets, one line for them all.
      if (t.why.rfind("skipped: product code", 0) == 0) {
        ++others;
        continue;
      }
      lines.push_back(product + "transform " + Quoted(t.name) + " " + t.why);
    }
    if (others)
      lines.push_back(product + std::to_string(others) +
                      " transforms of other products skipped (validation 0x0002)");
  }
  return lines;
}

}  // namespace msptool
