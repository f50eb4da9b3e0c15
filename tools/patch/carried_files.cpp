#include "patch/carried_files.h"

#include <gio/gio.h>
#include <gsf/gsf.h>
#include <libgcab.h>

#include <filesystem>
#include <map>
#include <set>

#include "base/file_bytes.h"
#include "base/gobject_ref.h"
#include "cabinet/reader.h"
#include "checks/conventions.h"
#include "compound/reader.h"
#include "compound/stream_name.h"
#include "msi/row_index.h"

namespace msptool {
namespace {

// The Cabinet column of the Media row that holds sequence `sequence`: the
// row with the smallest LastSequence at or above it.
std::string CabinetOf(const msi::Database& db, std::int32_t sequence) {
  const msi::Table* media = db.Find("Media");
  if (!media) return {};
  const auto last = [media](const msi::Row& row) {
    return msi::Cell(*media, row, "LastSequence").number;
  };
  const msi::Row* best = nullptr;
  for (const auto& row : media->rows)
    if (last(row) >= sequence && (!best || last(row) < last(*best))) best = &row;
  return best ? msi::Cell(*media, *best, "Cabinet").text : std::string();
}

// The long part of a "short|long" name.
std::string LongName(const std::string& name) { return name.substr(name.find('|') + 1); }

// The File, Component and Directory rows of an upgraded package by key,
// indexed once per package however many files it gives.
struct PackageRows {
  explicit PackageRows(const msi::Database& db)
      : db(db),
        files(db.Find("File")),
        components(db.Find("Component")),
        directories(db.Find("Directory")) {}
  const msi::Database& db;
  const msi::RowIndex files, components, directories;

  // The text or number of `column` in the row `key` of `table`, found
  // through `index`; a null value when there is no such row.
  const msi::Value& Cell(const msi::RowIndex& index, const char* table, const std::string& key,
                         const char* column) const {
    static const msi::Value kNull;
    const msi::Row* row = index.Find(key);
    return row ? msi::Cell(*db.Find(table), *row, column) : kNull;
  }
};

// Where an uncompressed source keeps directory `id`, relative to the
// package's folder: each DefaultDir's source part ("target:source", long
// names), the root (no parent) being the package's folder itself.
std::string SourceFolder(const PackageRows& rows, const std::string& id, int depth = 0) {
  const std::string parent = rows.Cell(rows.directories, "Directory", id, "Directory_Parent").text;
  if (parent.empty() || parent == id || depth > 64) return ".";
  std::string name = rows.Cell(rows.directories, "Directory", id, "DefaultDir").text;
  name = LongName(name.substr(name.find(':') + 1));
  const std::string above = SourceFolder(rows, parent, depth + 1);
  return name == "." ? above : above + "/" + name;
}

// The files wanted from one cabinet: name in the cabinet -> the name to
// write it under (numbered, never a name the package chose).
struct Wanted {
  std::map<std::string, std::string> names;
  std::set<std::string> found;
};

gboolean Select(GCabFile* file, gpointer data) {
  auto* wanted = static_cast<Wanted*>(data);
  const auto name = wanted->names.find(gcab_file_get_name(file));
  if (name == wanted->names.end()) return FALSE;
  gcab_file_set_extract_name(file, name->second.c_str());
  wanted->found.insert(name->first);
  return TRUE;
}

// Extracts the wanted files of the cabinet at `cabinetPath` into `folder`
// with gcab, which reads LZX folders too, inflating everything before them.
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

// Extracts the wanted files of `cabinet` (a "#stream" of `package`, or a file
// beside it) into `folder`, reading only the blocks they lie in.
bool Extract(const std::string& package, const std::string& cabinet, Wanted& wanted,
             const std::string& folder, std::string& error) {
  const bool embedded = cabinet[0] == '#';
  const std::string beside = std::filesystem::path(package).parent_path() / cabinet;
  const StreamInput input =
      embedded ? OpenRootStream(package, EncodeStreamName(cabinet.substr(1), false))
               : StreamInput(GSF_INPUT(gsf_input_stdio_new(beside.c_str(), nullptr)));
  const std::string what = package + ": cabinet " + Quoted(cabinet);
  if (!input) {
    error = what + " cannot be read";
    return false;
  }
  GsfInput* in = input.get();
  const ByteSource source{static_cast<std::uint64_t>(gsf_input_size(in)),
                          [in](std::uint64_t offset, void* to, std::size_t count) {
                            return !gsf_input_seek(in, static_cast<gsf_off_t>(offset),
                                                   G_SEEK_SET) &&
                                   gsf_input_read(in, count, static_cast<guint8*>(to));
                          }};
  std::map<std::string, std::string> paths;
  for (const auto& [name, as] : wanted.names) paths[name] = folder + "/" + as;
  switch (ExtractCabinetFiles(source, paths, wanted.found)) {
    case CabinetRead::Extracted:
      return true;
    case CabinetRead::NotCabinet:
      error = what + " is not a readable cabinet";
      return false;
    case CabinetRead::Damaged:
      error = what + " is damaged: a block is cut short, fails its checksum or does not inflate";
      return false;
    case CabinetRead::CannotWrite:
      error = "cannot write the files of " + what + " into " + folder;
      return false;
    case CabinetRead::Unsupported:
      break;
  }
  if (!embedded) return ExtractWithGcab(beside, wanted, folder, error);
  const std::string copy = folder + ".cab";
  if (!CopyRootStream(package, EncodeStreamName(cabinet.substr(1), false), copy)) {
    error = what + " cannot be read";
    return false;
  }
  return ExtractWithGcab(copy, wanted, folder, error);
}

}  // namespace

ScratchFolder::ScratchFolder(std::string p) : path(std::move(p)) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
  std::filesystem::create_directories(path, ignored);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

bool ExtractCarriedFiles(const std::vector<PatchTarget>& targets,
                         const std::vector<CarriedFile>& carried, const std::string& folder,
                         std::vector<CabinetFile>& out, std::string& error) {
  // Per package and cabinet, the files wanted from it; the files of
  // uncompressed sources, where they are.
  std::map<std::pair<std::string, std::string>, Wanted> cabinets;
  std::vector<CabinetFile> direct;
  std::map<std::string, PackageRows> packages;  // by path
  for (const auto& t : targets) packages.try_emplace(t.upgradedPath, t.upgraded);
  for (const auto& file : carried) {
    const PackageRows& rows = packages.at(file.package);
    const auto cell = [&](const char* column) {
      return rows.Cell(rows.files, "File", file.key, column);
    };
    const std::string cabinet = CabinetOf(rows.db, cell("Sequence").number);
    if (cabinet.empty()) {
      // An uncompressed source: the file lies in the source tree beside the
      // package, read where it is.
      const std::string component = cell("Component_").text;
      const std::string folder =
          SourceFolder(rows, rows.Cell(rows.components, "Component", component, "Directory_").text);
      direct.push_back({file.key,
                        (std::filesystem::path(file.package).parent_path() / folder /
                         LongName(cell("FileName").text))
                            .lexically_normal(),
                        file.size});
      continue;
    }
    auto& names = cabinets[{file.package, cabinet}].names;
    names.emplace(file.key, std::to_string(names.size() + 1));
  }
  int n = 0;
  for (auto& [where, wanted] : cabinets) {
    const auto& [package, cabinet] = where;
    const std::string into = folder + "/" + std::to_string(++n);
    std::filesystem::create_directories(into);
    if (!Extract(package, cabinet, wanted, into, error)) return false;
    for (const auto& [name, as] : wanted.names)
      if (!wanted.found.count(name)) {
        error = package + ": cabinet " + Quoted(cabinet) + " has no file " + Quoted(name);
        return false;
      }
    for (const auto& file : carried)
      if (file.package == package && wanted.names.count(file.key))
        out.push_back({file.key, into + "/" + wanted.names[file.key], file.size});
  }
  out.insert(out.end(), direct.begin(), direct.end());
  // The cabinet's order is the patch's sequence order.
  std::map<std::string, const CabinetFile*> byKey;
  for (const auto& f : out) byKey.emplace(f.name, &f);
  std::vector<CabinetFile> ordered;
  for (const auto& file : carried) {
    const auto found = byKey.find(file.key);
    if (found == byKey.end()) continue;
    const CabinetFile& f = *found->second;
    std::uint64_t size = 0;
    if (!ReadableFileSize(f.path, size) || size != file.size) {
      error = file.package + ": file " + Quoted(file.key) + " (" + f.path + ") is not " +
              std::to_string(file.size) + " bytes long, as its File row says";
      return false;
    }
    ordered.push_back(f);
  }
  out = std::move(ordered);
  return true;
}

}  // namespace msptool
