#include "carried_files.h"

#include <gio/gio.h>
#include <libgcab.h>

#include <filesystem>
#include <map>
#include <set>

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

struct Wanted {
  std::set<std::string> names;
  std::set<std::string> found;
};

gboolean Select(GCabFile* file, gpointer data) {
  auto* wanted = static_cast<Wanted*>(data);
  const std::string name = gcab_file_get_name(file);
  if (!wanted->names.count(name)) return FALSE;
  wanted->found.insert(name);
  return TRUE;
}

// Extracts `names` of the cabinet at `cabinetPath` into `folder`.
bool Extract(const std::string& cabinetPath, Wanted& wanted, const std::string& folder,
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
    cabinets[{file.package, cabinet}].names.insert(file.key);
  }
  int n = 0;
  for (auto& [where, wanted] : cabinets) {
    const auto& [package, cabinet] = where;
    std::string path;
    if (cabinet[0] == '#') {
      path = folder + "/" + std::to_string(++n) + ".cab";
      if (!CopyRootStream(package, EncodeStreamName(cabinet.substr(1), false), path)) {
        error = package + ": no readable cabinet stream " + Quoted(cabinet.substr(1));
        return false;
      }
    } else {
      path = std::filesystem::path(package).parent_path() / cabinet;
    }
    const std::string into = folder + "/" + std::to_string(++n);
    std::filesystem::create_directories(into);
    if (!Extract(path, wanted, into, error)) return false;
    for (const auto& name : wanted.names)
      if (!wanted.found.count(name)) {
        error = package + ": cabinet " + Quoted(cabinet) + " has no file " + Quoted(name);
        return false;
      }
    for (const auto& file : carried)
      if (file.package == package && wanted.names.count(file.key))
        out.push_back({file.key, into + "/" + file.key, file.size});
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
