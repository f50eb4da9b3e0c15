#include "patch/delta_files.h"

#include <glib.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "base/error.h"
#include "base/file_bytes.h"
#include "base/text.h"
#include "compound/stream_name.h"
#include "delta/delta.h"
#include "msi/standard_tables.h"
#include "patch/carried_files.h"

namespace msptool {
namespace {

using msi::Value;

// A compound file's directory entry holds 31 UTF-16 units of name.
// (Windows Installer documentation: "OLE Limitations on Streams".)
constexpr glong kLongestStreamName = 31;

// A File row's Version is a version, or the key of the companion file whose
// version it takes; only a version starts with a digit.
bool Versioned(const msi::Table& file, const msi::Row& row) {
  const std::string& version = msi::Cell(file, row, "Version").text;
  return !version.empty() && g_ascii_isdigit(version[0]);
}

// What the cabinet's MSZIP would make of the whole file, near enough to
// choose: deflate at the level the cabinet writer uses.
std::uint64_t DeflatedSize(const delta::Bytes& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<Bytef> out(size);
  if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 6) != Z_OK)
    return bytes.size();
  return size;
}

bool ReadBytes(const std::string& path, delta::Bytes& bytes) {
  std::string text;
  if (!ReadFileBytes(path, text)) return false;
  bytes.assign(text.begin(), text.end());
  return true;
}

bool WriteBytes(const std::string& path, const delta::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

const char* WhyWhole(delta::DeltaResult result) {
  switch (result) {
    case delta::DeltaResult::kTooLarge:
      return "the baseline's and the upgraded file do not fit one 32 MiB window";
    case delta::DeltaResult::kEmptyOldFile:
      return "a baseline's file is empty, which the patch engine cannot map";
    case delta::DeltaResult::kTooManyOldFiles:
      return "more baseline versions than one delta holds";
    default:
      return "the delta failed its own check";
  }
}

// For each target, the baseline files of the `keys` it holds, extracted
// into `folder`/<n>: by key, where they lie.
bool ExtractBaselineFiles(const std::vector<PatchTarget>& targets,
                          const std::set<std::string>& keys, const std::string& folder,
                          std::vector<std::map<std::string, std::string>>& paths,
                          std::string& error) {
  paths.resize(targets.size());
  for (std::size_t n = 0; n < targets.size(); ++n) {
    const PatchTarget& t = targets[n];
    const msi::Table* file = t.baseline.Find("File");
    std::vector<CarriedFile> wanted;
    for (const std::string& key : keys)
      if (const msi::Row* row = msi::FindRow(file, key))
        wanted.push_back({key, t.baselinePath,
                          static_cast<std::uint64_t>(msi::Cell(*file, *row, "FileSize").number)});
    if (wanted.empty()) continue;
    const std::string into = folder + "/" + std::to_string(n + 1);
    std::filesystem::create_directories(into);
    std::vector<CabinetFile> extracted;
    if (!ExtractCarriedFiles({BaselineSource(t.baselinePath, t.baseline, t.baselineWordCount)},
                             wanted, into, extracted, error))
      return false;
    for (const auto& f : extracted) paths[n][f.name] = f.path;
  }
  return true;
}

// Moves `key`'s File row changes out of a patch transform and puts a Patch
// row in their place, at the sequence the row would have had.
void PatchRowFor(Transform& transform, const std::string& key, std::uint64_t size,
                 const delta::Bytes& header, const std::string& patchCode) {
  msi::TableDiff* file = transform.diff.Find("File");
  if (!file) return;
  std::size_t sequenceColumn = 0;
  while (sequenceColumn < file->columns.size() && file->columns[sequenceColumn].name != "Sequence")
    ++sequenceColumn;
  const auto at = std::find_if(file->updated.begin(), file->updated.end(),
                               [&](const msi::RowUpdate& u) { return u.after[0].text == key; });
  if (at == file->updated.end() || sequenceColumn >= at->after.size()) return;
  const std::int32_t sequence = at->after[sequenceColumn].number;
  file->updated.erase(at);

  const auto table = [&](const msi::Table& standard) -> msi::TableDiff& {
    if (msi::TableDiff* has = transform.diff.Find(standard.name)) return *has;
    transform.diff.tables.push_back(msi::NoChanges(standard));
    return transform.diff.tables.back();
  };
  const std::string stream = PatchHeaderStream(key, sequence);
  const std::string headerBytes(header.begin(), header.end());
  std::vector<std::pair<std::string, Value>> cells = {
      {"File_", Value::String(key)},
      {"Sequence", Value::Integer(sequence)},
      {"PatchSize", Value::Integer(static_cast<std::int32_t>(size))},
      {"Attributes", Value::Integer(0)}};
  if (StreamNameFits(stream)) {
    cells.push_back({"Header", Value::Stream()});
    transform.streams[stream] = headerBytes;
  } else {
    // A key of its own per patch and file, so that two patches of one
    // product never share a header row.
    const std::string seed = patchCode + key;
    gchar* digest = g_compute_checksum_for_string(G_CHECKSUM_SHA256, seed.c_str(), -1);
    const std::string ref = std::string("PH") + std::string(digest).substr(0, 24);
    g_free(digest);
    cells.push_back({"StreamRef_", Value::String(ref)});
    table(kMsiPatchHeadersTable)
        .inserted.push_back(NamedRow(kMsiPatchHeadersTable, {{"StreamRef", Value::String(ref)},
                                                             {"Header", Value::Stream()}}));
    transform.streams[kMsiPatchHeadersTable.name + "." + ref] = headerBytes;
  }
  msi::TableDiff& patchTable = table(kPatchTable);
  patchTable.inserted.push_back(NamedRow(kPatchTable, {cells.begin(), cells.end()}));
}

}  // namespace

std::string PatchHeaderStream(const std::string& file, std::int32_t sequence) {
  return "Patch." + file + "." + std::to_string(sequence);
}

bool StreamNameFits(const std::string& name) {
  return g_utf8_strlen(EncodeStreamName(name, false).c_str(), -1) <= kLongestStreamName;
}

bool UseDeltas(const std::vector<PatchTarget>& targets, DeltaPolicy policy,
               const std::string& folder, DerivedPatch& patch, std::vector<CarriedForm>& forms,
               std::string& error) {
  forms.clear();
  std::map<std::string, CabinetFile*> whole;
  for (auto& f : patch.body.files) whole[f.name] = &f;
  // Which files may become deltas: the policy's, and only where every target
  // that carries the file had it before.
  std::set<std::string> candidates;
  for (const CarriedFile& carried : patch.carried) {
    CarriedForm form{carried.key, false, carried.size, carried.size, 0, {}};
    for (const PatchTarget& t : targets) {
      const msi::Table* upgraded = t.upgraded.Find("File");
      const msi::Row* row = msi::FindRow(upgraded, carried.key);
      if (!row) continue;
      if (policy == DeltaPolicy::kNone)
        form.reason = "no delta asked for";
      else if (policy == DeltaPolicy::kVersioned && !Versioned(*upgraded, *row))
        form.reason = "an unversioned file (--delta=all makes deltas of these too)";
      else if (!msi::FindRow(t.baseline.Find("File"), carried.key))
        form.reason = "new in " + t.upgradedPath;
      if (!form.reason.empty()) break;
    }
    if (form.reason.empty()) candidates.insert(carried.key);
    forms.push_back(std::move(form));
  }
  if (candidates.empty()) return true;

  std::vector<std::map<std::string, std::string>> baselinePaths;
  if (!ExtractBaselineFiles(targets, candidates, folder + "/baselines", baselinePaths, error))
    return false;
  const std::string deltas = folder + "/deltas";
  std::filesystem::create_directories(deltas);
  for (CarriedForm& form : forms) {
    if (!candidates.count(form.key)) continue;
    CabinetFile* file = whole.at(form.key);
    delta::Bytes upgraded;
    if (!ReadBytes(file->path, upgraded))
      return Refuse(error, "cannot read the extracted file " + Quoted(form.key));
    std::vector<delta::Bytes> olds;
    for (std::size_t n = 0; n < targets.size(); ++n) {
      const auto found = baselinePaths[n].find(form.key);
      if (found == baselinePaths[n].end()) continue;
      delta::Bytes old;
      if (!ReadBytes(found->second, old))
        return Refuse(error, targets[n].baselinePath + ": cannot read the extracted file " +
                                 Quoted(form.key));
      if (std::find(olds.begin(), olds.end(), old) == olds.end()) olds.push_back(std::move(old));
    }
    const std::size_t baselineVersions = olds.size();
    // The upgraded file is an old file too, its stream empty: a file that is
    // right already stays right when the delta meets it again. Wine's
    // installer applies the delta once for each patch transform that adds
    // its Patch row, as two of a cumulative patch do for one product, and
    // reads no Header to see the file is patched.
    if (std::find(olds.begin(), olds.end(), upgraded) == olds.end()) olds.push_back(upgraded);
    const delta::DeltaOutcome made = delta::EncodeDelta(olds, upgraded);
    if (made.result != delta::DeltaResult::kOk) {
      form.reason = WhyWhole(made.result);
      continue;
    }
    const std::uint64_t compressed = DeflatedSize(upgraded);
    if (made.bytes.size() >= compressed) {
      form.reason = "its delta (" + std::to_string(made.bytes.size()) +
                    " bytes) is no smaller than the whole file compressed (" +
                    std::to_string(compressed) + " bytes)";
      continue;
    }
    const delta::DeltaOutcome header = delta::DeltaHeader(made.bytes);
    const std::string path = deltas + "/" + std::to_string(&form - forms.data() + 1);
    if (header.result != delta::DeltaResult::kOk || !WriteBytes(path, made.bytes))
      return Refuse(error, "cannot write the delta of " + Quoted(form.key));
    *file = {form.key, path, made.bytes.size()};
    form.delta = true;
    form.carriedSize = made.bytes.size();
    form.oldFiles = baselineVersions;
    for (Transform& t : patch.body.transforms)
      if (!t.name.empty() && t.name[0] == '#')
        PatchRowFor(t, form.key, made.bytes.size(), header.bytes, patch.summary.patchCode);
  }
  // A File table whose every change became a Patch row is no change.
  for (Transform& t : patch.body.transforms)
    std::erase_if(t.diff.tables, [](const msi::TableDiff& d) { return d.Empty(); });
  return true;
}

}  // namespace msptool
