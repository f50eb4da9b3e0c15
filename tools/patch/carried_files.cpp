#include "patch/carried_files.h"

#include <gio/gio.h>
#include <gsf/gsf.h>
#include <libgcab.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "base/confined_file.h"
#include "base/error.h"
#include "base/file_bytes.h"
#include "base/gobject_ref.h"
#include "cabinet/reader.h"
#include "checks/conventions.h"
#include "compound/reader.h"
#include "compound/stream_name.h"
#include "msi/row_index.h"

namespace msptool {
namespace {

// File table Attributes (Windows Installer documentation, "File Table"):
// msidbFileAttributesNoncompressed and msidbFileAttributesCompressed override
// the package's default for one file.
constexpr std::int32_t kNoncompressed = 0x2000, kCompressed = 0x4000;
// Word Count Summary (documentation, "Word Count Summary"): bit 0 short file
// names, bit 1 a compressed source.
constexpr std::int64_t kShortNames = 1, kCompressedSource = 2;

// The File, Component and Directory rows of an upgraded package by key,
// indexed once per package however many files it gives.
struct PackageRows {
  explicit PackageRows(const PatchTarget& t)
      : db(t.upgraded),
        wordCount(t.upgradedWordCount),
        folder(std::filesystem::path(t.upgradedPath).parent_path().string()),
        files(db.Find("File")),
        components(db.Find("Component")),
        directories(db.Find("Directory")),
        media(db) {
    if (folder.empty()) folder = ".";
  }
  const msi::Database& db;
  const std::int64_t wordCount;
  std::string folder;  // the package's, where its source tree and cabinets are
  const msi::RowIndex files, components, directories;
  const MediaIndex media;

  // The text or number of `column` in the row `key` of `table`, found
  // through `index`; a null value when there is no such row.
  const msi::Value& Cell(const msi::RowIndex& index, const char* table, const std::string& key,
                         const char* column) const {
    static const msi::Value kNull;
    const msi::Row* row = index.Find(key);
    return row ? msi::Cell(*db.Find(table), *row, column) : kNull;
  }
  // The short or long part of a "short|long" name, as the word count says
  // the source names its files.
  std::string NamePart(const std::string& name) const {
    const auto bar = name.find('|');
    if (bar == std::string::npos) return name;
    return wordCount & kShortNames ? name.substr(0, bar) : name.substr(bar + 1);
  }
};

// Where an uncompressed source keeps directory `id`, relative to the
// package's folder ("" for the folder itself): each DefaultDir's source part
// ("target:source"), the root (no parent) being the package's folder.
std::string SourceFolder(const PackageRows& rows, const std::string& id, int depth = 0) {
  const std::string parent = rows.Cell(rows.directories, "Directory", id, "Directory_Parent").text;
  if (parent.empty() || parent == id || depth > 64) return "";
  std::string name = rows.Cell(rows.directories, "Directory", id, "DefaultDir").text;
  name = rows.NamePart(name.substr(name.find(':') + 1));
  const std::string above = SourceFolder(rows, parent, depth + 1);
  if (name == ".") return above;
  return above.empty() ? name : above + "/" + name;
}

// Where carried file `key` lies: in its Media row's cabinet (returned), or
// uncompressed at `sourcePath` (relative to the package's folder, "" is
// returned), as Windows reads the source ("Word Count Summary"): a file is
// compressed by its Attributes or else by the package's word count; an
// uncompressed file of a compressed package lies at the root of the source,
// in an uncompressed package in the Directory tree. A compressed file whose
// Media row names no cabinet lies in the tree, as an administrative image
// of the package has it.
std::string Whereabouts(const PackageRows& rows, const std::string& key, std::string& sourcePath) {
  const auto cell = [&](const char* column) { return rows.Cell(rows.files, "File", key, column); };
  const std::int32_t attributes = cell("Attributes").number;
  const bool packageCompressed = rows.wordCount & kCompressedSource;
  const bool compressed = attributes & kCompressed      ? true
                          : attributes & kNoncompressed ? false
                                                        : packageCompressed;
  const std::string cabinet = compressed ? rows.media.CabinetOf(cell("Sequence").number) : "";
  if (!cabinet.empty()) return cabinet;
  const std::string name = rows.NamePart(cell("FileName").text);
  const std::string folder =
      compressed || !packageCompressed
          ? SourceFolder(
                rows,
                rows.Cell(rows.components, "Component", cell("Component_").text, "Directory_").text)
          : "";
  sourcePath = folder.empty() ? name : folder + "/" + name;
  return {};
}

// The files wanted from one cabinet: name in the cabinet -> the name to
// write it under (numbered, never a name the package chose) and its size.
struct Wanted {
  std::map<std::string, WantedFile> files;
  std::set<std::string> found;
};

gboolean Select(GCabFile* file, gpointer data) {
  auto* wanted = static_cast<Wanted*>(data);
  const auto want = wanted->files.find(gcab_file_get_name(file));
  if (want == wanted->files.end()) return FALSE;
  gcab_file_set_extract_name(file, std::filesystem::path(want->second.path).filename().c_str());
  wanted->found.insert(want->first);
  return TRUE;
}

// Extracts the wanted files of the cabinet at `cabinetPath` (a copy in the
// command's folder) into `folder` with gcab, which reads LZX folders too,
// inflating everything before them.
bool ExtractWithGcab(const std::string& cabinetPath, Wanted& wanted, const std::string& folder,
                     std::string& error) {
  GError* err = nullptr;
  Ref<GFile> source(g_file_new_for_path(cabinetPath.c_str()));
  Ref<GFileInputStream> in(g_file_read(source.get(), nullptr, &err));
  if (!in.get()) return CabinetFailed(err, "cannot read " + cabinetPath, error);
  Ref<GCabCabinet> cab(gcab_cabinet_new());
  if (!gcab_cabinet_load(cab.get(), G_INPUT_STREAM(in.get()), nullptr, &err))
    return CabinetFailed(err, cabinetPath + " is not a readable cabinet", error);
  Ref<GFile> target(g_file_new_for_path(folder.c_str()));
  if (!gcab_cabinet_extract_simple(cab.get(), target.get(), Select, &wanted, nullptr, &err))
    return CabinetFailed(err, "cannot extract from " + cabinetPath, error);
  return true;
}

// The cabinet `cabinet` of the package: its "#stream", or a file beside the
// package, opened inside the package's folder only (confined_file.h).
bool OpenCabinet(const PackageRows& rows, const std::string& package, const std::string& cabinet,
                 StreamInput& input, FileHandle& file, std::string& error) {
  if (cabinet[0] == '#') {
    input = OpenRootStream(package, EncodeStreamName(cabinet.substr(1), false));
    return input || Refuse(error, Quoted(cabinet) + " cannot be read");
  }
  if (!OpenConfined(rows.folder, cabinet, file, error)) return false;
  // libgsf closes the stream it is given; `file` keeps its own descriptor.
  FileHandle copy(::dup(file.fd()));
  FILE* stream = copy ? ::fdopen(copy.fd(), "rb") : nullptr;
  if (stream) {
    copy.Release();
    input = StreamInput(GSF_INPUT(gsf_input_stdio_new_FILE(cabinet.c_str(), stream, FALSE)));
  }
  return input || Refuse(error, "cannot be read");
}

// Extracts the wanted files of `cabinet` into `folder`, reading only the
// blocks they lie in.
bool Extract(const PackageRows& rows, const std::string& package, const std::string& cabinet,
             Wanted& wanted, const std::string& folder, std::string& error) {
  const std::string what = package + ": cabinet " + Quoted(cabinet);
  StreamInput input;
  FileHandle file;
  // The reason names the cabinet (as the package names it) already.
  if (!OpenCabinet(rows, package, cabinet, input, file, error))
    return Refuse(error, package + ": cabinet " + error);
  const ByteSource source = GsfBytes(input.get());
  switch (ExtractCabinetFiles(source, wanted.files, wanted.found)) {
    case CabinetRead::Extracted:
      return true;
    case CabinetRead::NotCabinet:
      return Refuse(error, what + " is not a readable cabinet");
    case CabinetRead::BadClaim:
      return Refuse(error, what +
                               " has a wanted file of another size than its File row, or "
                               "overlapping another");
    case CabinetRead::Damaged:
      return Refuse(error, what +
                               " is damaged: a block is cut short, fails its checksum or "
                               "does not inflate");
    case CabinetRead::CannotWrite:
      return Refuse(error, "cannot write the files of " + what + " into " + folder);
    case CabinetRead::Unsupported:
      break;
  }
  // gcab reads a file: the cabinet's bytes, copied into the command's folder.
  const std::string copy = folder + ".cab";
  std::uint64_t copied = 0;
  const bool ok =
      file ? CopyOpenFile(file, copy, std::numeric_limits<std::uint64_t>::max() - 1, copied)
           : CopyRootStream(package, EncodeStreamName(cabinet.substr(1), false), copy);
  if (!ok) return Refuse(error, what + " cannot be read");
  return ExtractWithGcab(copy, wanted, folder, error);
}

// Copies uncompressed file `file` from `sourcePath` in the package's folder
// to `to`; false unless it is there, inside the folder and of its size.
bool CopySourceFile(const PackageRows& rows, const CarriedFile& file, const std::string& sourcePath,
                    const std::string& to, std::string& error) {
  FileHandle in;
  std::uint64_t copied = 0;
  const std::string what = file.package + ": file " + Quoted(file.key) + " (" + sourcePath + ")";
  if (!OpenConfined(rows.folder, sourcePath, in, error)) return Refuse(error, what + ": " + error);
  if (!CopyOpenFile(in, to, file.size, copied)) return Refuse(error, "cannot copy " + what);
  if (copied != file.size)
    return Refuse(
        error, what + " is not " + std::to_string(file.size) + " bytes long, as its File row says");
  return true;
}

}  // namespace

MediaIndex::MediaIndex(const msi::Database& db) {
  if (const msi::Table* media = db.Find("Media"))
    for (const auto& row : media->rows)
      rows_.emplace_back(msi::Cell(*media, row, "LastSequence").number,
                         msi::Cell(*media, row, "Cabinet").text);
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::string MediaIndex::CabinetOf(std::int32_t sequence) const {
  const auto at = std::lower_bound(rows_.begin(), rows_.end(), sequence,
                                   [](const auto& row, std::int32_t s) { return row.first < s; });
  return at == rows_.end() ? std::string() : at->second;
}

PatchTarget BaselineSource(const std::string& path, const msi::Database& db,
                           std::int64_t wordCount) {
  PatchTarget source;
  source.upgradedPath = path;
  source.upgraded = db;
  source.upgradedWordCount = wordCount;
  return source;
}

bool ExtractCarriedFiles(const std::vector<PatchTarget>& targets,
                         const std::vector<CarriedFile>& carried, const std::string& folder,
                         std::vector<CabinetFile>& out, std::string& error) {
  std::map<std::string, PackageRows> packages;  // by path
  for (const auto& t : targets) packages.try_emplace(t.upgradedPath, t);
  // Each carried file's path in `folder`, by its place in `carried`; the
  // files wanted per package and cabinet, each cabinet read once.
  std::vector<std::string> paths(carried.size());
  struct FromCabinet {
    std::string into;  // the folder its files are written to
    Wanted wanted;
    std::vector<std::size_t> places;
  };
  std::map<std::pair<std::string, std::string>, FromCabinet> cabinets;
  for (std::size_t i = 0; i < carried.size(); ++i) {
    const CarriedFile& file = carried[i];
    const PackageRows& rows = packages.at(file.package);
    std::string sourcePath;
    const std::string cabinet = Whereabouts(rows, file.key, sourcePath);
    if (cabinet.empty()) {
      paths[i] = folder + "/s" + std::to_string(i);
      if (!CopySourceFile(rows, file, sourcePath, paths[i], error)) return false;
      continue;
    }
    FromCabinet& from = cabinets[{file.package, cabinet}];
    if (from.into.empty()) from.into = folder + "/c" + std::to_string(cabinets.size());
    from.places.push_back(i);
    paths[i] = from.into + "/" + std::to_string(i);
    from.wanted.files.emplace(file.key, WantedFile{paths[i], file.size});
  }
  for (auto& [where, from] : cabinets) {
    const auto& [package, cabinet] = where;
    const std::string& into = from.into;
    Wanted& wanted = from.wanted;
    std::error_code failed;
    std::filesystem::create_directory(into, failed);
    if (failed) return Refuse(error, "cannot create the folder " + into);
    if (!Extract(packages.at(package), package, cabinet, wanted, into, error)) return false;
    for (const std::size_t i : from.places)
      if (!wanted.found.count(carried[i].key))
        return Refuse(error, package + ": cabinet " + Quoted(cabinet) + " has no file " +
                                 Quoted(carried[i].key));
  }
  // The cabinet's order is the patch's sequence order.
  out.clear();
  for (std::size_t i = 0; i < carried.size(); ++i) {
    const CarriedFile& file = carried[i];
    std::uint64_t size = 0;
    if (!ReadableFileSize(paths[i], size) || size != file.size)
      return Refuse(error, file.package + ": file " + Quoted(file.key) + " is not " +
                               std::to_string(file.size) + " bytes long, as its File row says");
    out.push_back({file.key, paths[i], file.size});
  }
  return true;
}

}  // namespace msptool
