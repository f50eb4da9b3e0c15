#include "patch/derive.h"

#include <glib.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>

#include "base/code_page.h"
#include "base/error.h"
#include "checks/conventions.h"
#include "checks/install_names.h"
#include "checks/minor_update_rules.h"
#include "checks/uninstallable_tables.h"
#include "msi/database_diff.h"
#include "msi/row_index.h"
#include "msi/standard_tables.h"

namespace msptool {
namespace {

using msi::Value;

constexpr std::int32_t kPatchAdded = 0x1000;  // msidbFileAttributesPatchAdded

bool AllAscii(const msi::DatabaseDiff& diff) {
  // A text many cells share is looked at once.
  std::unordered_set<const std::string*> seen;
  const auto rowsAscii = [&seen](const std::vector<msi::Row>& rows) {
    for (const auto& row : rows)
      for (const auto& v : row)
        if (seen.insert(v.text.Identity()).second && !IsAscii(v.text)) return false;
    return true;
  };
  for (const auto& t : diff.tables) {
    if (!IsAscii(t.name) || !rowsAscii(t.inserted) || !rowsAscii(t.deleted)) return false;
    for (const auto& c : t.columns)
      if (!IsAscii(c.name)) return false;
    for (const auto& u : t.updated)
      if (!rowsAscii({u.after})) return false;
  }
  return true;
}

// The hexadecimal digits of a registry-form code.
std::string Digits(const std::string& code) {
  std::string digits;
  for (char c : code)
    if (g_ascii_isxdigit(c)) digits.push_back(c);
  return digits;
}

// The largest value of `column` in `table` of either database.
std::int32_t Largest(const msi::Database& a, const msi::Database& b, const char* table,
                     const char* column) {
  std::int32_t largest = 0;
  for (const msi::Database* db : {&a, &b}) {
    const msi::Table* t = db->Find(table);
    if (!t) continue;
    for (const auto& row : t->rows) largest = std::max(largest, msi::Cell(*t, row, column).number);
  }
  return largest;
}

// The upgraded File rows whose contents the data transform changes or adds:
// new File rows, rows whose size, version or language change, and files whose
// MsiFileHash row changes, appears or goes.
std::vector<const msi::Row*> ChangedFiles(msi::DatabaseDiff& diff, const msi::RowIndex& files) {
  std::vector<const msi::Row*> rows;
  std::unordered_set<const msi::Row*> seen;
  const auto add = [&](const std::string& key) {
    const msi::Row* row = files.Find(key);
    if (row && seen.insert(row).second) rows.push_back(row);
  };
  if (const msi::TableDiff* file = diff.Find("File")) {
    for (const auto& row : file->inserted) add(row[0].text);
    for (const auto& u : file->updated) {
      for (const std::size_t i : u.changed) {
        const std::string& column = file->columns[i].name;
        if (column == "FileSize" || column == "Version" || column == "Language")
          add(u.after[0].text);
      }
    }
  }
  if (const msi::TableDiff* hash = diff.Find("MsiFileHash")) {
    for (const auto& row : hash->inserted) add(row[0].text);
    for (const auto& row : hash->deleted) add(row[0].text);
    for (const auto& u : hash->updated) add(u.after[0].text);
  }
  return rows;
}

// What makes two targets' files of one key the same file: size, version and
// hash (its name and attributes may differ). `file` is a row of `table`.
std::string FileIdentity(const msi::Table& table, const msi::Row& file,
                         const msi::RowIndex& hashes) {
  std::string identity;
  for (const char* column : {"FileSize", "Version"})
    identity += msi::Printed(msi::Cell(table, file, column)) + '|';
  if (const msi::Row* hash = hashes.Find(file[0].text))
    for (std::size_t i = 2; i < hash->size(); ++i) identity += msi::Printed((*hash)[i]) + '|';
  return identity;
}

// Sets Property `name` to `value`: a new row, or a change of the row the
// product has.
void SetProperty(msi::TableDiff& change, const msi::Table& table, const std::string& name,
                 const std::string& value) {
  if (value.empty()) return;
  const msi::Row row =
      NamedRow(table, {{"Property", Value::String(name)}, {"Value", Value::String(value)}});
  if (const msi::Row* was = msi::FindRow(&table, name))
    change.updated.push_back({*was, row, {table.ColumnIndex("Value")}});
  else
    change.inserted.push_back(row);
}

// PatchFiles right after InstallFiles in `name`; false when the table has no
// InstallFiles. A table that already has PatchFiles keeps it.
bool AddPatchFiles(const msi::Database& db, const char* name, msi::DatabaseDiff& out,
                   std::string& error) {
  const msi::Table* table = db.Find(name);
  if (!table || msi::FindRow(table, "PatchFiles")) return true;
  const msi::Row* install = msi::FindRow(table, "InstallFiles");
  if (!install) {
    error = std::string("table ") + name + " has no InstallFiles row to put PatchFiles after";
    return false;
  }
  msi::TableDiff change = msi::NoChanges(*table);
  change.inserted.push_back(NamedRow(
      *table, {{"Action", Value::String("PatchFiles")},
               {"Sequence", Value::Integer(msi::Cell(*table, *install, "Sequence").number + 1)}}));
  out.tables.push_back(std::move(change));
  return true;
}

// The patch's media, the same in every patch transform: its Media row's
// DiskId and the sequence of the cabinet's first file come after the largest
// of every target, so that a cumulative patch, whose baselines have other
// largest sequences, numbers its files one way wherever two of its
// transforms apply to one product (a Patch row or File row set twice must
// say the same; "Patch Table": the sequence order corresponds to the order
// of the files in the cabinet).
struct PatchMedia {
  std::string cabinetStream;
  std::string sourceProperty;
  std::int32_t diskId = 0;
  std::int32_t first = 0;  // the sequence of the cabinet's first file
};

// `files`: the target's upgraded File rows by key; `changed`: the keys of the
// files its data transform changes or adds. Only those are renumbered into
// the patch's media: a file another baseline of a cumulative patch needs is
// already right here, and renumbered it would be "kept" by Windows' file
// rules, which is no fault but hides one.
bool PatchTransform(const PatchTarget& target, const msi::RowIndex& files,
                    const std::vector<std::string>& carried, const std::set<std::string>& changed,
                    const std::string& patchCode, const PatchMedia& media, msi::DatabaseDiff& out,
                    std::string& error) {
  const msi::Database& db = target.upgraded;  // as the data transform leaves it
  const std::int32_t diskId = media.diskId;
  const std::int32_t first = media.first;
  const msi::Table* file = db.Find("File");
  const msi::Table* mediaTable = db.Find("Media");
  if (!mediaTable) {
    error = target.upgradedPath + ": no Media table";
    return false;
  }
  if (file) {
    msi::TableDiff change = msi::NoChanges(*file);
    const std::size_t attributes = file->ColumnIndex("Attributes");
    const std::size_t sequence = file->ColumnIndex("Sequence");
    for (std::size_t i = 0; i < carried.size(); ++i) {
      const msi::Row* row = files.Find(carried[i]);
      if (!row || !changed.count(carried[i])) continue;  // a file of another target
      msi::Row after = *row;
      after[attributes] = Value::Integer(after[attributes].number | kPatchAdded);
      after[sequence] = Value::Integer(first + static_cast<std::int32_t>(i));
      change.updated.push_back({*row, after, {attributes, sequence}});
    }
    if (!change.Empty()) out.tables.push_back(std::move(change));
  }
  msi::TableDiff mediaChange = msi::NoChanges(*mediaTable);
  mediaChange.inserted.push_back(NamedRow(
      *mediaTable,
      {{"DiskId", Value::Integer(diskId)},
       {"LastSequence", Value::Integer(first + static_cast<std::int32_t>(carried.size()) - 1)},
       {"Cabinet", Value::String('#' + media.cabinetStream)},
       {"Source", Value::String(media.sourceProperty)}}));
  out.tables.push_back(std::move(mediaChange));
  for (const msi::Table* added : {&kPatchTable, &kPatchPackageTable, &kMsiPatchHeadersTable}) {
    const msi::Table* has = db.Find(added->name);
    msi::TableDiff change = msi::NoChanges(has ? *has : *added);
    change.added = !has;
    if (added == &kPatchPackageTable)
      change.inserted.push_back({Value::String(patchCode), Value::Integer(diskId)});
    if (!change.Empty()) out.tables.push_back(std::move(change));
  }
  if (const msi::Table* property = db.Find("Property")) {
    msi::TableDiff change = msi::NoChanges(*property);
    SetProperty(change, *property, "PATCHNEWPACKAGECODE",
                DerivedCode(patchCode + Digits(msi::PropertyValue(db, "ProductCode"))));
    SetProperty(change, *property, "PATCHNEWSUMMARYSUBJECT", msi::PropertyValue(db, "ProductName"));
    SetProperty(change, *property, "PATCHNEWSUMMARYCOMMENTS", target.upgradedComments);
    out.tables.push_back(std::move(change));
  }
  return AddPatchFiles(db, "InstallExecuteSequence", out, error) &&
         AddPatchFiles(db, "AdminExecuteSequence", out, error);
}

// The language part of a package's "platform;languages", with no platform:
// a transform names the packages' languages (Wine skips a transform whose
// language is not one of the package's, whatever its validation flags).
std::string Languages(const std::string& packageTemplate, const std::string& fallback) {
  const auto semicolon = packageTemplate.find(';');
  return semicolon == std::string::npos ? fallback : packageTemplate.substr(semicolon);
}

msi::TransformSummary Summary(const PatchTarget& target) {
  msi::TransformSummary s = msi::SummaryFor(target.baseline, target.upgraded);
  s.target = Languages(target.baselineTemplate, s.target);
  s.upgraded = Languages(target.upgradedTemplate, s.upgraded);
  const bool upgradeCode = !msi::PropertyValue(target.baseline, "UpgradeCode").empty();
  s.validation = msi::kValidateProductCode | msi::kValidateUpdateVersion |
                 msi::kValidateNewEqualBase | (upgradeCode ? msi::kValidateUpgradeCode : 0);
  s.errorConditions =
      msi::kIgnoreAddExistingRow | msi::kIgnoreDeleteMissingRow | msi::kIgnoreAddExistingTable;
  s.pageCount = std::max(target.baselinePageCount, target.upgradedPageCount);
  return s;
}

// The patch transform validates the upgraded product (the data transform
// before it has made the database that), and needs Windows Installer 3.0.
msi::TransformSummary PatchTransformSummary(const PatchTarget& target,
                                            const msi::TransformSummary& data) {
  msi::TransformSummary s = data;
  s.target = s.upgraded;
  s.revision = msi::SummaryFor(target.upgraded, target.upgraded).revision;
  s.pageCount = std::max(data.pageCount, 300);
  return s;
}

void UseCodePage(Transform& t, const PatchTarget& target) {
  t.summary.codePage = AllAscii(t.diff) ? 0 : target.upgraded.codePage;
  t.diff.beforeCodePage = t.diff.afterCodePage = t.summary.codePage;
}

// A product's text for the summary: printable ASCII (the same in every code
// page) or `fallback`.
std::string SummaryText(const std::string& text, const std::string& fallback) {
  return !text.empty() && IsPrintableAscii(text) ? text : fallback;
}

// The code pages a patch's own texts may go in, best first: the target's
// when it is one msp_tool writes (a neutral one stands for 1252), else UTF-8.
std::vector<std::uint32_t> TextCodePages(const msi::Database& target) {
  const std::uint32_t own =
      target.codePage == kNeutralCodePage || !IsSupportedCodePage(target.codePage)
          ? kWesternCodePage
          : target.codePage;
  return {own, kUtf8CodePage};
}

// `texts` (UTF-8) in the first of `candidates` that holds them all.
bool EncodeTexts(const std::vector<std::string*>& texts,
                 const std::vector<std::uint32_t>& candidates, std::uint32_t& codePage,
                 std::string& error) {
  std::vector<std::string> values;
  for (const std::string* t : texts) values.push_back(*t);
  std::string unheld;
  if (!CodePageHolding(values, candidates, codePage, unheld))
    return Refuse(error, "text " + Quoted(unheld) +
                             " is not UTF-8, or no code page msp_tool writes (1252, 65001) "
                             "holds it");
  for (std::string* t : texts) EncodeText(*t, codePage, *t);
  return true;
}

// The root's MsiPatchSequence and MsiPatchMetadata. Their texts come from
// the options (UTF-8) and the upgraded product (its database's code page):
// ASCII leaves the root neutral; otherwise they go in the product's code page
// when it holds them, else in UTF-8.
bool RootTables(const std::vector<PatchTarget>& targets, const PatchOptions& options,
                const DerivedPatch& patch, const std::string& version, msi::Database& root,
                std::string& error) {
  const msi::Database& first = targets[0].upgraded;
  std::string family = Digits(msi::PropertyValue(targets[0].baseline, "UpgradeCode"));
  if (family.empty()) family = Digits(msi::PropertyValue(targets[0].baseline, "ProductCode"));
  root = {0, {kMsiPatchSequenceTable, kMsiPatchMetadataTable}, {}};
  // The family is an identifier: letters first.
  root.tables[0].rows = {
      {Value::String("PF" + family), {}, Value::String(version), Value::Integer(0)}};
  // The product's texts, read in its code page.
  const auto productText = [&](const char* property, std::string& out) {
    if (DecodeText(msi::PropertyValue(first, property), first.codePage, out)) return true;
    return Refuse(error, targets[0].upgradedPath + ": property " + property +
                             " is text in code page " + std::to_string(first.codePage) +
                             ", which msp_tool does not read");
  };
  std::string url = options.url, manufacturer, product;
  if (url.empty() && !productText("ARPURLINFOABOUT", url)) return false;
  if (!productText("Manufacturer", manufacturer) || !productText("ProductName", product))
    return false;
  std::vector<std::pair<const char*, std::string>> metadata = {
      {"AllowRemoval", options.removable ? "1" : "0"},
      {"Classification", options.classification},
      {"Description", patch.summary.comments},
      {"DisplayName", patch.summary.title},
      {"ManufacturerName", manufacturer},
      {"MoreInfoURL", url},
      {"TargetProductName", product},
  };
  std::vector<std::string*> texts;
  bool ascii = true;
  for (auto& [name, value] : metadata) {
    texts.push_back(&value);
    ascii = ascii && IsAscii(value);
  }
  if (!ascii && !EncodeTexts(texts, TextCodePages(first), root.codePage, error))
    return Refuse(error, "MsiPatchMetadata: " + error);
  for (const auto& [name, value] : metadata)
    if (!value.empty())  // never an empty value
      root.tables[1].rows.push_back({{}, Value::String(name), Value::String(value)});
  return true;
}

// The summary's texts (UTF-8 until now) in 1252 when it holds them, else in
// the target's code page, else in UTF-8; property 1 says which. The
// summary's code page is its own, not the database's ("Codepage Summary":
// the ANSI code page of its strings); 1252 first, because Wine's msi.dll
// reads summary strings in the system's ANSI code page whatever property 1
// says, and that is 1252 wherever Western text is at home.
bool EncodeSummary(const msi::Database& target, PatchSummary& s, std::string& error) {
  const std::vector<std::string*> texts = {&s.title, &s.subject, &s.author, &s.comments};
  std::vector<std::uint32_t> candidates = TextCodePages(target);
  candidates.insert(candidates.begin(), kWesternCodePage);
  if (!EncodeTexts(texts, candidates, s.codePage, error))
    return Refuse(error, "summary information: " + error);
  return true;
}

// Property 5: the upgraded version, ';', then each distinct baseline version
// followed by ','.
bool VersionRule(const std::vector<PatchTarget>& targets, std::string& rule, std::string& error) {
  const std::string upgraded = msi::PropertyValue(targets[0].upgraded, "ProductVersion");
  std::string candidates;
  for (const auto& t : targets) {
    if (msi::PropertyValue(t.upgraded, "ProductVersion") != upgraded) {
      error = t.upgradedPath + ": ProductVersion " +
              Quoted(msi::PropertyValue(t.upgraded, "ProductVersion")) + " differs from " +
              Quoted(upgraded) + " of " + targets[0].upgradedPath +
              ": one patch brings every target to one version";
      return false;
    }
    const std::string base = msi::PropertyValue(t.baseline, "ProductVersion");
    if (("," + candidates).find("," + base + ",") == std::string::npos) candidates += base + ",";
  }
  rule = upgraded + ";" + candidates;
  return true;
}

}  // namespace

std::string DerivedCode(const std::string& seed) {
  gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_MD5, seed.c_str(), -1);
  std::string h = digest;
  g_free(digest);
  for (auto& c : h) c = g_ascii_toupper(c);
  for (const std::size_t at : {20, 16, 12, 8}) h.insert(at, 1, '-');
  return '{' + h + '}';
}

namespace {

// Phase 1: each pair kept to the rules of a minor update, and the
// difference of its databases; a removable patch adds no row that would keep
// Windows from removing it.
bool DiffTargets(const std::vector<PatchTarget>& targets, bool removable,
                 std::vector<msi::DatabaseDiff>& diffs, std::string& error) {
  diffs.resize(targets.size());
  for (std::size_t n = 0; n < targets.size(); ++n) {
    const auto& t = targets[n];
    for (const auto& [path, db] :
         {std::pair{&t.baselinePath, &t.baseline}, std::pair{&t.upgradedPath, &t.upgraded}})
      if (!HasColumnsRead(*db, error)) return Refuse(error, *path + ": " + error);
    // The patch brings the upgraded package's names into the product.
    if (const auto names = InstallNameProblems(t.upgraded); !names.empty())
      return Refuse(error, t.upgradedPath + ": " + names[0]);
    if (!CheckMinorUpdate(t.baseline, t.upgraded, error))
      return Refuse(error, t.baselinePath + " -> " + t.upgradedPath + ": " + error);
    if (!msi::Diff(t.baseline, t.upgraded, diffs[n], error))
      return Refuse(error, t.upgradedPath + ": " + error);
    const std::string blocking = RowBlockingRemoval(diffs[n]);
    if (removable && !blocking.empty())
      return Refuse(error, t.baselinePath + " -> " + t.upgradedPath + ": " + blocking +
                               ": the upgrade adds a row to a table that makes a patch not "
                               "uninstallable (Uninstallable Patches), so Windows would not "
                               "remove this removable patch; make it with --not-removable");
  }
  return true;
}

// Phase 2: the files the patch carries, each File key once, in the targets'
// order and each target's sequence order; `files` gets each target's
// upgraded File rows by key, `changed` the keys of each target's changed
// files.
bool CollectCarriedFiles(const std::vector<PatchTarget>& targets,
                         std::vector<msi::DatabaseDiff>& diffs, std::vector<msi::RowIndex>& files,
                         std::vector<std::set<std::string>>& changed,
                         std::vector<CarriedFile>& carried, std::string& error) {
  // File key: the target that first carries it, and what the file is there.
  struct Owner {
    std::size_t target;
    std::string identity;
  };
  std::map<std::string, Owner> owner;
  for (std::size_t n = 0; n < targets.size(); ++n) {
    const auto& t = targets[n];
    const msi::Table* file = t.upgraded.Find("File");
    files.emplace_back(file);
    std::vector<const msi::Row*> rows = ChangedFiles(diffs[n], files[n]);
    std::sort(rows.begin(), rows.end(), [&](const auto* a, const auto* b) {
      return msi::Cell(*file, *a, "Sequence").number < msi::Cell(*file, *b, "Sequence").number;
    });
    const msi::RowIndex hashes(t.upgraded.Find("MsiFileHash"));
    changed.emplace_back();
    for (const msi::Row* row : rows) {
      const std::string& key = (*row)[0].text;
      changed.back().insert(key);
      const std::string identity = FileIdentity(*file, *row, hashes);
      const auto [at, isNew] = owner.emplace(key, Owner{n, identity});
      if (isNew)
        carried.push_back({key, t.upgradedPath,
                           static_cast<std::uint64_t>(msi::Cell(*file, *row, "FileSize").number)});
      else if (at->second.identity != identity)
        return Refuse(error, "file " + Quoted(key) + " of " + t.upgradedPath +
                                 " differs from that of " +
                                 targets[at->second.target].upgradedPath +
                                 ": a patch carries one file per File key");
    }
  }
  return true;
}

// Phase 3: the patch's summary information.
bool DeriveSummary(const std::vector<PatchTarget>& targets, const PatchOptions& options,
                   PatchSummary& s, std::string& error) {
  if (!VersionRule(targets, s.keywords, error)) return false;
  if (!options.versionRule.empty() && options.versionRule != s.keywords)
    return Refuse(error, "version rule " + Quoted(options.versionRule) + " is not the packages' " +
                             Quoted(s.keywords) +
                             " (the upgraded ProductVersion, ';', each baseline's and ',')");
  const std::string version = s.keywords.substr(0, s.keywords.find(';'));
  s.patchCode = options.patchCode.empty() ? DerivedCode(options.inputDigest + options.title)
                                          : options.patchCode;
  const std::string name =
      SummaryText(msi::PropertyValue(targets[0].upgraded, "ProductName"), "the product");
  s.title = options.title.empty() ? "Update of " + name + " to " + version : options.title;
  s.subject = options.subject.empty() ? s.title : options.subject;
  s.author = options.author.empty()
                 ? SummaryText(msi::PropertyValue(targets[0].upgraded, "Manufacturer"), "")
                 : options.author;
  s.comments = options.comments.empty()
                   ? "This patch contains the logic and data required to install " + name + " " +
                         version + "."
                   : options.comments;
  // Each product once: several baselines of one product are several pairs.
  std::vector<std::string> codes;
  for (const auto& t : targets) {
    const std::string code = msi::PropertyValue(t.baseline, "ProductCode");
    if (std::find(codes.begin(), codes.end(), code) != codes.end()) continue;
    codes.push_back(code);
    if (!s.targets.empty()) s.targets += ';';
    s.targets += code;
  }
  return CheckTargetList(s.targets, error);
}

// Phase 4: each target's transform pair, in the targets' order.
bool PairTransforms(const std::vector<PatchTarget>& targets, std::vector<msi::DatabaseDiff>& diffs,
                    const std::vector<msi::RowIndex>& files,
                    const std::vector<std::set<std::string>>& changed,
                    const std::vector<CarriedFile>& carried, const std::string& patchCode,
                    PatchBody& body, std::string& error) {
  const std::string digits = Digits(patchCode);
  PatchMedia media{"CAB" + digits, "PATCHSOURCE" + digits};
  for (const auto& t : targets) {
    media.diskId = std::max(media.diskId, Largest(t.baseline, t.upgraded, "Media", "DiskId") + 1);
    media.first =
        std::max({media.first, Largest(t.baseline, t.upgraded, "Media", "LastSequence") + 1,
                  Largest(t.baseline, t.upgraded, "File", "Sequence") + 1});
  }
  body.cabinetStream = media.cabinetStream;
  std::vector<std::string> keys;
  for (const auto& file : carried) keys.push_back(file.key);
  for (std::size_t n = 0; n < targets.size(); ++n) {
    std::string name = "T";
    name += std::to_string(n + 1);
    Transform data{name, Summary(targets[n]), std::move(diffs[n])};
    Transform patch{"#" + name, PatchTransformSummary(targets[n], data.summary), {}};
    if (!PatchTransform(targets[n], files[n], keys, changed[n], patchCode, media, patch.diff,
                        error))
      return Refuse(error, targets[n].upgradedPath + ": " + error);
    UseCodePage(data, targets[n]);
    UseCodePage(patch, targets[n]);
    body.transforms.push_back(std::move(data));
    body.transforms.push_back(std::move(patch));
  }
  return true;
}

}  // namespace

bool DerivePatch(const std::vector<PatchTarget>& targets, const PatchOptions& options,
                 DerivedPatch& out, std::string& error) {
  out = {};
  if (targets.empty()) return Refuse(error, "no target");
  std::vector<msi::DatabaseDiff> diffs;
  std::vector<msi::RowIndex> files;
  std::vector<std::set<std::string>> changed;
  if (!DiffTargets(targets, options.removable, diffs, error) ||
      !CollectCarriedFiles(targets, diffs, files, changed, out.carried, error) ||
      !DeriveSummary(targets, options, out.summary, error) ||
      !PairTransforms(targets, diffs, files, changed, out.carried, out.summary.patchCode, out.body,
                      error))
    return false;
  const std::string& rule = out.summary.keywords;
  return RootTables(targets, options, out, rule.substr(0, rule.find(';')), out.body.rootTables,
                    error) &&
         EncodeSummary(targets[0].upgraded, out.summary, error);
}

}  // namespace msptool
