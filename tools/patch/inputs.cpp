#include "patch/inputs.h"

#include <glib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/error.h"
#include "base/file_bytes.h"
#include "checks/conventions.h"
#include "checks/minor_update_rules.h"
#include "msi/database_reader.h"
#include "patch/carried_files.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

// Summary properties 6, 7, 9 and 15 of the package at `path`, from its
// summary stream.
bool ReadTexts(const std::string& path, const std::string& stream, std::string& comments,
               std::string& platforms, std::string& packageCode, std::int64_t& wordCount,
               std::string& error) {
  std::string header;
  std::vector<StoredProperty> properties;
  if (!ReadSummaryStream(stream, header, properties)) {
    error = path + " has no readable summary information";
    return false;
  }
  wordCount = 0;  // absent: 0 (Word Count Summary)
  for (const auto& p : properties) {
    if (p.id == kCommentsProperty) StoredString(p, comments);
    if (p.id == kTemplateProperty) StoredString(p, platforms);
    if (p.id == kRevisionProperty) StoredString(p, packageCode);
    if (p.id == kWordCountProperty) StoredNumber(p, wordCount);
  }
  return true;
}

// Windows replaces an installed versioned file only with a higher version
// (page "File Versioning Rules"): a file whose version and size stay must
// keep its bytes too, which only the packages' media tell.
bool SameVersionFilesStay(const std::vector<PatchTarget>& targets, const std::string& folder,
                          std::string& error) {
  for (const auto& t : targets) {
    const auto keys = FilesUnderOneVersion(t.baseline, t.upgraded);
    if (keys.empty()) continue;
    const PatchTarget baseline = BaselineSource(t.baselinePath, t.baseline, t.baselineWordCount);
    std::vector<CarriedFile> was, is;
    const msi::Table& file = *t.upgraded.Find("File");
    const auto cell = [&](const std::string& key, const char* column) {
      return msi::Cell(file, *msi::FindRow(&file, key), column);
    };
    for (const auto& key : keys) {
      const auto size = static_cast<std::uint64_t>(cell(key, "FileSize").number);
      was.push_back({key, t.baselinePath, size});
      is.push_back({key, t.upgradedPath, size});
    }
    // In the command's own folder, which goes with everything in it.
    const std::string before = folder + "/baseline", after = folder + "/upgraded";
    std::vector<CabinetFile> wasFiles, isFiles;
    std::error_code failed;
    if (!std::filesystem::create_directory(before, failed) ||
        !std::filesystem::create_directory(after, failed))
      return Refuse(error, "cannot create the folders " + before + " and " + after);
    if (!ExtractCarriedFiles({baseline}, was, before, wasFiles, error) ||
        !ExtractCarriedFiles({t}, is, after, isFiles, error))
      return false;
    for (std::size_t i = 0; i < wasFiles.size() && i < isFiles.size(); ++i) {
      std::string a, b;
      if (!ReadFileBytes(wasFiles[i].path, a) || !ReadFileBytes(isFiles[i].path, b) || a != b)
        return Refuse(error, t.baselinePath + " -> " + t.upgradedPath + ": " +
                                 SameVersionProblem(wasFiles[i].name,
                                                    cell(wasFiles[i].name, "Version").text));
    }
  }
  return true;
}

}  // namespace

bool ReadPatchTargets(const std::vector<PackagePair>& pairs, std::vector<PatchTarget>& targets,
                      std::string& digest, std::string& error) {
  std::unique_ptr<GChecksum, void (*)(GChecksum*)> sum(g_checksum_new(G_CHECKSUM_SHA256),
                                                       g_checksum_free);
  for (const auto& [baseline, upgraded] : pairs) {
    PatchTarget t;
    t.baselinePath = baseline;
    t.upgradedPath = upgraded;
    std::string ignored, baselineCode, upgradedCode, baselineSummary, upgradedSummary;
    // The packages' cabinets differ; the patch carries its own.
    if (!msi::ReadDatabase(baseline, t.baseline, error, false, &baselineSummary) ||
        !msi::ReadDatabase(upgraded, t.upgraded, error, false, &upgradedSummary) ||
        !ReadTexts(baseline, baselineSummary, ignored, t.baselineTemplate, baselineCode,
                   t.baselineWordCount, error) ||
        !ReadTexts(upgraded, upgradedSummary, t.upgradedComments, t.upgradedTemplate, upgradedCode,
                   t.upgradedWordCount, error))
      return false;
    t.baselinePageCount =
        static_cast<std::int32_t>(SummaryNumber(baselineSummary, kPageCountProperty));
    t.upgradedPageCount =
        static_cast<std::int32_t>(SummaryNumber(upgradedSummary, kPageCountProperty));
    // A package code names one package's exact contents.
    for (const auto& code : {baselineCode, upgradedCode})
      g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(code.data()),
                        static_cast<gssize>(code.size()));
    targets.push_back(std::move(t));
  }
  digest = g_checksum_get_string(sum.get());
  return true;
}

bool CreatePatch(const std::vector<PackagePair>& pairs, PatchOptions options,
                 const std::string& outPath, std::string& error, std::vector<CarriedForm>* forms) {
  std::vector<PatchTarget> targets;
  DerivedPatch patch;
  if (!ReadPatchTargets(pairs, targets, options.inputDigest, error) ||
      !DerivePatch(targets, options, patch, error))
    return false;
  // Beside the package, in the command's own folder (output_folder.h), which
  // goes with everything in it.
  const std::string files = outPath + ".files";
  std::error_code failed;
  if (!std::filesystem::create_directory(files, failed))
    return Refuse(error, "cannot create the folder " + files);
  std::vector<CarriedForm> made;
  if (!SameVersionFilesStay(targets, files, error) ||
      !ExtractCarriedFiles(targets, patch.carried, files, patch.body.files, error) ||
      (options.delta != DeltaPolicy::kNone &&
       !UseDeltas(targets, options.delta, files, patch, made, error)) ||
      !WritePatchPackage(patch.summary, patch.body, outPath, error))
    return false;
  if (forms) *forms = std::move(made);
  return true;
}

bool DefinitionPairs(const Definition& def, std::vector<PackagePair>& pairs, std::string& error) {
  for (const char* key : {"packages", "baseline", "upgrade"})
    if (def.Count(key) != 1) {
      error = "needs exactly one " + Quoted(key);
      return false;
    }
  std::ifstream list(def.One("packages"));
  if (!list) {
    error = "cannot read the package list " + Quoted(def.One("packages"));
    return false;
  }
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(list, line);)
    if (auto fields = Split(line, '\t'); fields.size() == 3) rows.push_back(std::move(fields));
  const auto find = [&](const std::string& code, const std::string& release) {
    for (const auto& row : rows)
      if (row[0] == code && row[1] == release) return row[2];
    return std::string();
  };
  const auto targets = def.All("target");
  if (targets.empty()) {
    error = "names no \"target\"";
    return false;
  }
  for (const auto& code : targets) {
    PackagePair pair{find(code, def.One("baseline")), find(code, def.One("upgrade"))};
    for (const auto& [path, release] :
         {std::pair{pair.first, def.One("baseline")}, std::pair{pair.second, def.One("upgrade")}})
      if (path.empty()) {
        error = "target " + Quoted(code) + " has no package at release " + Quoted(release) +
                " in " + Quoted(def.One("packages"));
        return false;
      }
    pairs.push_back(std::move(pair));
  }
  return true;
}

}  // namespace msptool
