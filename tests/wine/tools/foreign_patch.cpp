// Test-only: makes a product and a patch for it the way a release engineer's
// own tools would, with the installer's and OLE's APIs rather than msp_tool:
//
//   foreign_patch product IDT-FOLDER OUT.msi PACKAGE-CODE
//       a database from the .idt files of IDT-FOLDER (MsiDatabaseImportW)
//   foreign_patch patch OUT.msp CABINET PRODUCT UPGRADE PATCH FROM TO FILE:SIZE
//       a patch of one transform pair written with StgCreateDocfile: FILE
//       (a File key) gets the contents (SIZE bytes) of CABINET's file of that
//       name and
//       ProductVersion goes from FROM to TO. Keywords (property 5) are
//       "PatchSourceList", as such tools write, not a version rule.
//
// Exit status 0, or 1 with a message naming the failed step.
#include <windows.h>
// msi.h and propidl.h need the types of windows.h.
#include <msi.h>
#include <msiquery.h>
#include <propidl.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "compound/stream_name.h"
#include "msi/database_encoder.h"
#include "msi/standard_tables.h"
#include "msi/transform_encoder.h"
#include "summary/summary_stream.h"

namespace {

using msptool::msi::Value;

// {000C1086-...}: a patch; {000C1082-...}: a transform.
const CLSID kPatchClass = {0x000C1086, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID kTransformClass = {0x000C1082, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DWORD kCreate = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

template <typename T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p) p->Release();
  }
};

struct MsiHandle {
  MSIHANDLE h = 0;
  ~MsiHandle() {
    if (h) MsiCloseHandle(h);
  }
};

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

bool Fail(const char* step) {
  std::fprintf(stderr, "foreign_patch: %s failed\n", step);
  return false;
}

bool WriteStream(IStorage* storage, const std::string& name, const std::string& bytes) {
  Com<IStream> stream;
  if (FAILED(storage->CreateStream(
          Wide(name).c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream.p)))
    return Fail(name.c_str());
  ULONG written = 0;
  return SUCCEEDED(stream.p->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) &&
         written == bytes.size();
}

bool WriteTable(IStorage* storage, const std::string& table, const std::string& bytes) {
  return WriteStream(storage, msptool::EncodeStreamName(table, true), bytes);
}

bool WriteTables(IStorage* storage, const msptool::msi::EncodedTables& tables) {
  bool ok = WriteTable(storage, "_StringPool", tables.stringPool) &&
            WriteTable(storage, "_StringData", tables.stringData);
  for (const auto& [table, bytes] : tables.tables) ok = ok && WriteTable(storage, table, bytes);
  return ok;
}

// Summary information through OLE's property sets, as such tools write it:
// texts as VT_LPSTR, the rest as VT_I4.
struct Property {
  PROPID id;
  std::string text;
  LONG number;
};

bool WriteSummary(IStorage* storage, const std::vector<Property>& properties) {
  Com<IPropertySetStorage> sets;
  Com<IPropertyStorage> set;
  if (FAILED(storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets.p))) ||
      FAILED(sets.p->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_ANSI, kCreate, &set.p)))
    return Fail("the summary information");
  for (const auto& property : properties) {
    PROPSPEC id;
    id.ulKind = PRSPEC_PROPID;
    id.propid = property.id;
    PROPVARIANT value;
    PropVariantInit(&value);
    if (property.text.empty()) {
      value.vt = VT_I4;
      value.lVal = property.number;
    } else {
      value.vt = VT_LPSTR;
      value.pszVal = const_cast<char*>(property.text.c_str());
    }
    if (FAILED(set.p->WriteMultiple(1, &id, &value, 2))) return Fail("a summary property");
  }
  return SUCCEEDED(set.p->Commit(STGC_DEFAULT));
}

struct PatchFacts {
  std::string product, upgrade, patch, from, to, file;
  std::int32_t size;  // the file's new length
};

void Update(msptool::msi::TableDiff& t, const msptool::msi::Table& table,
            const std::vector<std::pair<std::string, Value>>& values,
            const std::vector<std::string>& changed) {
  msptool::msi::RowUpdate update{{}, msptool::NamedRow(table, values), {}};
  for (const auto& c : changed) update.changed.push_back(table.ColumnIndex(c));
  t.updated.push_back(std::move(update));
}

bool WriteTransform(IStorage* root, const std::string& name, LONG characterCount,
                    const PatchFacts& facts, const msptool::msi::DatabaseDiff& diff) {
  msptool::msi::EncodedTables tables;
  std::string error;
  if (!msptool::msi::EncodeTransform(diff, tables, error)) return Fail(error.c_str());
  Com<IStorage> storage;
  if (FAILED(root->CreateStorage(Wide(name).c_str(), kCreate, 0, 0, &storage.p)) ||
      FAILED(storage.p->SetClass(kTransformClass)))
    return Fail(name.c_str());
  // Property 9: base and new version; a patch transform, applied after its
  // data transform moved the version, names the new version as both.
  const std::string base = name[0] == '#' ? facts.to : facts.from;
  const std::string description =
      facts.product + base + ";" + facts.product + facts.to + ";" + facts.upgrade;
  // The transforms' summaries as bytes: Wine's ole32 leaves a property set's
  // last value unpadded, short of the section's stated size, and Wine's
  // msi.dll then reads none of its properties (Windows' ole32 pads it). The
  // root's set is OLE's own; msp_tool stamp writes it anew, padded.
  using Type = msptool::SummaryProperty::Type;
  const std::string summary =
      msptool::BuildSummaryStream({{1, Type::I2, 1252, {}},
                                   {7, Type::Text, 0, ";1033"},
                                   {8, Type::Text, 0, ";1033"},
                                   {9, Type::Text, 0, description},
                                   // Page Count, as Windows-made transforms have it.
                                   {14, Type::I4, 200, {}},
                                   {16, Type::I4, characterCount, {}}});
  return WriteStream(storage.p, msptool::kSummaryStreamName, summary) &&
         WriteTables(storage.p, tables);
}

bool WritePatch(const std::wstring& path, const PatchFacts& facts, const std::string& cabinet) {
  Com<IStorage> root;
  if (FAILED(StgCreateDocfile(path.c_str(), kCreate, 0, &root.p)) ||
      FAILED(root.p->SetClass(kPatchClass)))
    return Fail("StgCreateDocfile");
  const std::string pair = "ViewerUpdate";
  if (!WriteSummary(root.p, {{2, "Heronmark Viewer Update", 0},
                             {5, "PatchSourceList", 0},
                             {7, facts.product, 0},
                             {8, ":" + pair + ";:#" + pair, 0},
                             {9, facts.patch, 0},
                             {15, "", 1}}))
    return false;

  // The root's MsiPatchSequence: the family is the product code's digits.
  std::string family;
  for (char c : facts.product)
    if (c != '{' && c != '}' && c != '-') family.push_back(c);
  msptool::msi::Database rootTables{1252, {msptool::kMsiPatchSequenceTable}, {}};
  rootTables.tables[0].rows = {
      {Value::String(family), {}, Value::String(facts.to), Value::Integer(0)}};
  msptool::msi::EncodedTables tables;
  std::string error;
  if (!msptool::msi::EncodeDatabase(rootTables, tables, error)) return Fail(error.c_str());
  if (!WriteTables(root.p, tables) ||
      !WriteStream(root.p, msptool::EncodeStreamName("ViewerCab", false), cabinet))
    return false;

  // Property 16: validation as Windows-made transforms have it (upper word).
  // Of their suppressed errors (0x0017) the lower word keeps 0x0007: Wine
  // reads that word as validation, and 0x0010 as the minor version, which it
  // checks against the product as the data transform left it, so the patch
  // transform, checked after the version moved, would never apply there.
  constexpr LONG kErrors = 0x0007;

  // The data transform: the file's new size and the new ProductVersion.
  using msptool::kFileTable;
  using msptool::kPropertyTable;
  msptool::msi::DatabaseDiff data{
      1252,
      1252,
      {msptool::msi::NoChanges(kFileTable), msptool::msi::NoChanges(kPropertyTable)},
      {}};
  Update(data.tables[0], kFileTable,
         {{"File", Value::String(facts.file)}, {"FileSize", Value::Integer(facts.size)}},
         {"FileSize"});
  Update(data.tables[1], kPropertyTable,
         {{"Property", Value::String("ProductVersion")}, {"Value", Value::String(facts.to)}},
         {"Value"});
  if (!WriteTransform(root.p, pair, 0x09220000 | kErrors, facts, data)) return false;

  // The patch transform: the file from the patch's media, the media row, the
  // patch tables and the properties and action a patch brings.
  msptool::msi::DatabaseDiff patch{1252, 1252, {msptool::msi::NoChanges(kFileTable)}, {}};
  Update(patch.tables[0], kFileTable,
         {{"File", Value::String(facts.file)},
          {"Attributes", Value::Integer(0x1000)},
          {"Sequence", Value::Integer(500)}},
         {"Attributes", "Sequence"});
  auto media = msptool::msi::NoChanges(msptool::kMediaTable);
  media.inserted.push_back(
      msptool::NamedRow(msptool::kMediaTable, {{"DiskId", Value::Integer(100)},
                                               {"LastSequence", Value::Integer(500)},
                                               {"Cabinet", Value::String("#ViewerCab")},
                                               {"Source", Value::String("ViewerSrc")}}));
  patch.tables.push_back(std::move(media));
  for (const auto* added :
       {&msptool::kPatchTable, &msptool::kPatchPackageTable, &msptool::kMsiPatchHeadersTable}) {
    auto table = msptool::msi::NoChanges(*added);
    table.added = true;
    if (added == &msptool::kPatchPackageTable)
      table.inserted.push_back({Value::String(facts.patch), Value::Integer(100)});
    patch.tables.push_back(std::move(table));
  }
  auto property = msptool::msi::NoChanges(kPropertyTable);
  property.inserted = {{Value::String("PATCHNEWSUMMARYSUBJECT"), Value::String("Heronmark Viewer")},
                       {Value::String("PATCHNEWPACKAGECODE"),
                        Value::String("{5C0A3F6E-2B71-4D8A-9E42-7F1D6B3C8A05}")}};
  patch.tables.push_back(std::move(property));
  auto sequence = msptool::msi::NoChanges(msptool::kInstallExecuteSequenceTable);
  sequence.inserted.push_back({Value::String("PatchFiles"), {}, Value::Integer(4010)});
  patch.tables.push_back(std::move(sequence));
  return WriteTransform(root.p, "#" + pair, 0x09270000 | kErrors, facts, patch);
}

bool WriteProduct(const std::wstring& folder, const std::wstring& path,
                  const std::wstring& packageCode) {
  MsiHandle db, summary;
  if (MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_CREATE, &db.h) != ERROR_SUCCESS)
    return Fail("MsiOpenDatabaseW");
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*.idt").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return Fail("finding the .idt files");
  bool ok = true;
  do {
    ok = ok && MsiDatabaseImportW(db.h, folder.c_str(), found.cFileName) == ERROR_SUCCESS;
  } while (ok && FindNextFileW(search, &found));
  FindClose(search);
  if (!ok) return Fail("MsiDatabaseImportW");
  // Intel platform, English; 2: compressed files with long names.
  if (MsiGetSummaryInformationW(db.h, nullptr, 8, &summary.h) != ERROR_SUCCESS ||
      MsiSummaryInfoSetPropertyW(summary.h, 2, VT_LPSTR, 0, nullptr, L"Installation Database") ||
      MsiSummaryInfoSetPropertyW(summary.h, 7, VT_LPSTR, 0, nullptr, L"Intel;1033") ||
      MsiSummaryInfoSetPropertyW(summary.h, 9, VT_LPSTR, 0, nullptr, packageCode.c_str()) ||
      MsiSummaryInfoSetPropertyW(summary.h, 14, VT_I4, 200, nullptr, nullptr) ||
      MsiSummaryInfoSetPropertyW(summary.h, 15, VT_I4, 2, nullptr, nullptr) ||
      MsiSummaryInfoPersist(summary.h) != ERROR_SUCCESS)
    return Fail("the product's summary information");
  return MsiDatabaseCommit(db.h) == ERROR_SUCCESS || Fail("MsiDatabaseCommit");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"product" && argc == 5) return WriteProduct(argv[2], argv[3], argv[4]) ? 0 : 1;
  if (command == L"patch" && argc == 10) {
    std::ifstream in(argv[3], std::ios::binary);
    std::ostringstream cabinet;
    cabinet << in.rdbuf();
    const std::string file = Narrow(argv[9]);
    const auto colon = file.find(':');
    if (!in || colon == std::string::npos) return Fail("reading the arguments") ? 0 : 1;
    const PatchFacts facts{Narrow(argv[4]),
                           Narrow(argv[5]),
                           Narrow(argv[6]),
                           Narrow(argv[7]),
                           Narrow(argv[8]),
                           file.substr(0, colon),
                           std::stoi(file.substr(colon + 1))};
    return WritePatch(argv[2], facts, cabinet.str()) ? 0 : 1;
  }
  std::fprintf(stderr,
               "usage: foreign_patch product IDT-FOLDER OUT.msi PACKAGE-CODE\n"
               "       foreign_patch patch OUT.msp CABINET PRODUCT UPGRADE PATCH FROM TO "
               "FILE:SIZE\n");
  return 2;
}
