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
  // Per package and cabinet, the files wanted from it.
  std::map<std::pair<std::string, std::string>, Wanted> cabinets;
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
      error = file.package + ": file " + Quoted(file.key) +
              " is in no cabinet (msp_tool takes the files from the package's cabinets)";
      return false;
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
  // The cabinet's order is the patch's sequence order.
  std::vector<CabinetFile> ordered;
  for (const auto& file : carried) {
    for (const auto& f : out) {
      if (f.name != file.key) continue;
      std::uint64_t size = 0;
      if (!ReadableFileSize(f.path, size) || size != file.size) {
        error = file.package + ": file " + Quoted(file.key) + " in its cabinet is not " +
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
