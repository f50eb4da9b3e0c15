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

#include "stream_name.h"
#include "summary_stream.h"
#include "table_schema.h"

namespace {

using msptool::Cell;
using msptool::StringPool;
using msptool::TableStream;

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

bool WriteStrings(IStorage* storage, const StringPool& strings) {
  return WriteTable(storage, "_StringPool", strings.PoolBytes()) &&
         WriteTable(storage, "_StringData", strings.DataBytes());
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

std::string Inserts(const std::vector<msptool::Column>& layout,
                    const std::vector<std::vector<Cell>>& rows, StringPool& strings) {
  TableStream stream(layout);
  for (const auto& row : rows) stream.Insert(row, strings);
  return stream.Bytes();
}

bool WriteTransform(IStorage* root, const std::string& name, LONG characterCount,
                    const PatchFacts& facts,
                    const std::vector<std::pair<std::string, std::string>>& tables,
                    const StringPool& strings) {
  Com<IStorage> storage;
  if (FAILED(root->CreateStorage(Wide(name).c_str(), kCreate, 0, 0, &storage.p)) ||
      FAILED(storage.p->SetClass(kTransformClass)))
    return Fail(name.c_str());
  const std::string description =
      facts.product + facts.from + ";" + facts.product + facts.to + ";" + facts.upgrade;
  // The transforms' summaries as bytes: Wine's ole32 leaves a property set's
  // last value unpadded, short of the section's stated size, and Wine's
  // msi.dll then reads none of its properties (Windows' ole32 pads it). The
  // root's set is OLE's own; msp_tool stamp writes it anew, padded.
  using Type = msptool::SummaryProperty::Type;
  const std::string summary = msptool::BuildSummaryStream({{1, Type::I2, 1252, {}},
                                                           {7, Type::Text, 0, ";1033"},
                                                           {8, Type::Text, 0, ";1033"},
                                                           {9, Type::Text, 0, description},
                                                           {16, Type::I4, characterCount, {}}});
  if (!WriteStream(storage.p, "\x05SummaryInformation", summary) ||
      !WriteStrings(storage.p, strings))
    return false;
  for (const auto& [table, bytes] : tables)
    if (!WriteTable(storage.p, table, bytes)) return false;
  return true;
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
  StringPool rootStrings;
  std::string family;
  for (char c : facts.product)
    if (c != '{' && c != '}' && c != '-') family.push_back(c);
  const auto& sequence = msptool::kPatchSequenceTable;
  const std::string tables =
      StoredTable(msptool::kTablesLayout, msptool::TablesRows({sequence}), rootStrings);
  const std::string columns =
      StoredTable(msptool::kColumnsLayout, msptool::ColumnsRows({sequence}), rootStrings);
  const std::string rows = StoredTable(Layout(sequence), {{family, {}, facts.to, 0}}, rootStrings);
  if (!WriteTable(root.p, "_Tables", tables) || !WriteTable(root.p, "_Columns", columns) ||
      !WriteTable(root.p, sequence.name, rows) || !WriteStrings(root.p, rootStrings) ||
      !WriteStream(root.p, msptool::EncodeStreamName("ViewerCab", false), cabinet))
    return false;

  // Property 16: validation as Windows-made transforms have it (upper word).
  // Of their suppressed errors (0x0017) the lower word keeps 0x0007: Wine
  // reads that word as validation, and 0x0010 as the minor version, which it
  // checks against the product as the data transform left it, so the patch
  // transform, checked after the version moved, would never apply there.
  constexpr LONG kErrors = 0x0007;

  // The data transform: the file's new size and the new ProductVersion.
  StringPool dataStrings;
  TableStream file(msptool::kFileLayout), property(msptool::kPropertyLayout);
  file.Update({facts.file, {}, {}, facts.size, {}, {}, {}, {}}, 1u << 3, dataStrings);
  property.Update({std::string("ProductVersion"), facts.to}, 1u << 1, dataStrings);
  if (!WriteTransform(root.p, pair, 0x09220000 | kErrors, facts,
                      {{"File", file.Bytes()}, {"Property", property.Bytes()}}, dataStrings))
    return false;

  // The patch transform: the file from the patch's media, the media row, the
  // patch tables and the properties and action a patch brings.
  StringPool patchStrings;
  TableStream patched(msptool::kFileLayout);
  patched.Update({facts.file, {}, {}, {}, {}, {}, 0x1000, 500}, (1u << 6) | (1u << 7),
                 patchStrings);
  const auto& added = msptool::kPatchTables;
  const std::vector<std::pair<std::string, std::string>> patchTables = {
      {"File", patched.Bytes()},
      {"Media", Inserts(msptool::kMediaLayout,
                        {{100, 500, {}, std::string("#ViewerCab"), {}, std::string("ViewerSrc")}},
                        patchStrings)},
      {"_Tables", Inserts(msptool::kTablesLayout, msptool::TablesRows(added), patchStrings)},
      {"_Columns", Inserts(msptool::kColumnsLayout, msptool::ColumnsRows(added), patchStrings)},
      {"PatchPackage",
       Inserts(Layout(added[msptool::kPatchPackageTable]), {{facts.patch, 100}}, patchStrings)},
      {"Property",
       Inserts(msptool::kPropertyLayout,
               {{std::string("PATCHNEWSUMMARYSUBJECT"), std::string("Heronmark Viewer")},
                {std::string("PATCHNEWPACKAGECODE"),
                 std::string("{5C0A3F6E-2B71-4D8A-9E42-7F1D6B3C8A05}")}},
               patchStrings)},
      {"InstallExecuteSequence",
       Inserts(msptool::kSequenceLayout, {{std::string("PatchFiles"), {}, 4010}}, patchStrings)},
  };
  return WriteTransform(root.p, "#" + pair, 0x09270000 | kErrors, facts, patchTables, patchStrings);
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
