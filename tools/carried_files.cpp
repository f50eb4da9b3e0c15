#include "carried_files.h"

#include <gio/gio.h>
#include <gsf/gsf.h>
#include <libgcab.h>

#include <filesystem>
#include <map>
#include <set>

#include "cabinet_reader.h"
#include "compound_reader.h"
#include "conventions.h"
#include "file_bytes.h"
#include "gobject_ref.h"
#include "stream_name.h"

namespace msptool {
namespace {

// The Cabinet column of the Media row that holds sequence `sequence`: the
// row with the smallest LastSequence at or above it.
std::string CabinetOf(const msi::Database& db, std::int32_t sequence) {
  const msi::Table* media = db.Find("Media");
  if (!media) return {};
  const std::size_t last = media->ColumnIndex("LastSequence");
  const std::size_t cabinet = media->ColumnIndex("Cabinet");
  const msi::Row* best = nullptr;
  for (const auto& row : media->rows)
    if (row[last].number >= sequence && (!best || row[last].number < (*best)[last].number))
      best = &row;
  return best ? (*best)[cabinet].text : std::string();
}

// The long part of a "short|long" name.
std::string LongName(const std::string& name) { return name.substr(name.find('|') + 1); }

std::string Cell(const msi::Database& db, const char* table, const std::string& key,
                 const char* column) {
  const msi::Table* t = db.Find(table);
  if (t)
    for (const auto& row : t->rows)
      if (row[0].text == key) return row[t->ColumnIndex(column)].text;
  return {};
}

// Where an uncompressed source keeps directory `id`, relative to the
// package's folder: each DefaultDir's source part ("target:source", long
// names), the root (no parent) being the package's folder itself.
std::string SourceFolder(const msi::Database& db, const std::string& id, int depth = 0) {
  const std::string parent = Cell(db, "Directory", id, "Directory_Parent");
  if (parent.empty() || parent == id || depth > 64) return ".";
  std::string name = Cell(db, "Directory", id, "DefaultDir");
  name = LongName(name.substr(name.find(':') + 1));
  const std::string above = SourceFolder(db, parent, depth + 1);
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
               : StreamInput(GSF_INPUT(gsf_input_stdio_new(beside.c_str(), nullptr)),
                             [](void* p) { g_object_unref(p); });
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
  for (const auto& file : carried) {
    const PatchTarget* target = nullptr;
    for (const auto& t : targets)
      if (t.upgradedPath == file.package) target = &t;
    const msi::Table* table = target->upgraded.Find("File");
    std::int32_t sequence = 0;
    for (const auto& row : table->rows)
      if (row[0].text == file.key) sequence = row[table->ColumnIndex("Sequence")].number;
    const std::string cabinet = CabinetOf(target->upgraded, sequence);
    if (cabinet.empty()) {
      // An uncompressed source: the file lies in the source tree beside the
      // package, read where it is.
      const msi::Database& db = target->upgraded;
      const std::string folder = SourceFolder(
          db, Cell(db, "Component", Cell(db, "File", file.key, "Component_"), "Directory_"));
      direct.push_back({file.key,
                        (std::filesystem::path(file.package).parent_path() / folder /
                         LongName(Cell(db, "File", file.key, "FileName")))
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
  std::vector<CabinetFile> ordered;
  for (const auto& file : carried) {
    for (const auto& f : out) {
      if (f.name != file.key) continue;
      std::uint64_t size = 0;
      if (!ReadableFileSize(f.path, size) || size != file.size) {
        error = file.package + ": file " + Quoted(file.key) + " (" + f.path + ") is not " +
                std::to_string(file.size) + " bytes long, as its File row says";
        return false;
      }
      ordered.push_back(f);
    }
  }
  out = std::move(ordered);
  return true;
}

}  // namespace msptool
