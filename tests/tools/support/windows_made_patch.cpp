#include "support/windows_made_patch.h"

#include "msi/standard_tables.h"
#include "support/small_patch.h"

namespace toolstest {

using msptool::msi::Value;
namespace msi = msptool::msi;

namespace {

// The row of `db`'s File table, renamed from the small product's f.txt.
msi::Row& PatchTxt(msi::Database& db) {
  msi::Row& row = TableOf(db, msptool::kFileTable).rows[0];
  row[0] = Value::String("patch.txt");
  return row;
}

msi::TransformSummary Summary(int pageCount, std::uint32_t word) {
  msi::TransformSummary s;
  s.target = s.upgraded = ";1033";
  s.revision = kWindowsMadeProduct + "1.1.1;" + kWindowsMadeProduct + "1.1.1;" + kSmallUpgradeCode;
  s.pageCount = pageCount;
  s.validation = static_cast<std::uint16_t>(word >> 16);
  s.errorConditions = static_cast<std::uint16_t>(word & 0xFFFF);
  return s;
}

}  // namespace

WindowsMadePatch MakeWindowsMadePatch() {
  WindowsMadePatch p;
  p.baseline = SmallProduct(kWindowsMadeProduct, "1.1.1", 1000);
  const msi::Row before = PatchTxt(p.baseline);
  const msi::Table& file = *p.baseline.Find("File");
  const std::size_t size = file.ColumnIndex("FileSize"),
                    attributes = file.ColumnIndex("Attributes"),
                    sequence = file.ColumnIndex("Sequence");

  // targetToupgraded: FileSize 1002; validation 0x0922, errors 0x0017.
  msptool::Transform data{"targetToupgraded", Summary(100, 0x09220017), {}};
  msi::TableDiff fileSize = msi::NoChanges(file);
  msi::Row grown = before;
  grown[size] = Value::Integer(1002);
  fileSize.updated.push_back({before, grown, {size}});
  data.diff.tables.push_back(fileSize);

  // #targetToupgraded: the file patch-added at sequence 1000, its media,
  // the patch tables, PatchPackage, two properties and PatchFiles at 2001;
  // validation 0x0927 (language and platform too), errors 0x0017.
  msptool::Transform patch{"#targetToupgraded", Summary(301, 0x09270017), {}};
  patch.summary.upgraded = "";
  msi::TableDiff renumbered = msi::NoChanges(file);
  msi::Row added = grown;
  added[attributes] = Value::Integer(before[attributes].number | 0x1000);
  added[sequence] = Value::Integer(1000);
  renumbered.updated.push_back({grown, added, {attributes, sequence}});
  patch.diff.tables.push_back(renumbered);
  msi::TableDiff media = msi::NoChanges(*p.baseline.Find("Media"));
  media.inserted.push_back(
      msptool::NamedRow(*p.baseline.Find("Media"), {{"DiskId", Value::Integer(2)},
                                                    {"LastSequence", Value::Integer(1001)},
                                                    {"Cabinet", Value::String("#CAB_msitest")},
                                                    {"Source", Value::String("prop")}}));
  patch.diff.tables.push_back(media);
  for (const msi::Table* table :
       {&msptool::kPatchTable, &msptool::kPatchPackageTable, &msptool::kMsiPatchHeadersTable}) {
    msi::TableDiff t = msi::NoChanges(*table);
    t.added = true;
    if (table == &msptool::kPatchPackageTable)
      t.inserted.push_back({Value::String(kWindowsMadePatchCode), Value::Integer(2)});
    patch.diff.tables.push_back(t);
  }
  msi::TableDiff property = msi::NoChanges(*p.baseline.Find("Property"));
  property.inserted.push_back(
      {Value::String("PATCHNEWSUMMARYSUBJECT"), Value::String("Installation Database")});
  property.inserted.push_back({Value::String("PATCHNEWPACKAGECODE"),
                               Value::String("{1D2E3F40-5A6B-4C7D-8E9F-0A1B2C3D4E5F}")});
  patch.diff.tables.push_back(property);
  msi::TableDiff actions = msi::NoChanges(*p.baseline.Find("InstallExecuteSequence"));
  actions.inserted.push_back({Value::String("PatchFiles"), {}, Value::Integer(2001)});
  patch.diff.tables.push_back(actions);

  p.body.transforms = {data, patch};
  p.body.rootTables = {0, {msptool::kMsiPatchSequenceTable}, {}};
  std::string family = kWindowsMadeProduct.substr(1, 36);
  std::erase(family, '-');
  p.body.rootTables.tables[0].rows = {
      {Value::String(family), {}, Value::String("1.1.19388.37230"), Value::Integer(0)}};
  p.body.cabinetStream = "CAB_msitest";
  p.summary.keywords = "PatchSourceList";
  p.summary.targets = kWindowsMadeProduct;
  p.summary.patchCode = kWindowsMadePatchCode;
  return p;
}

}  // namespace toolstest
