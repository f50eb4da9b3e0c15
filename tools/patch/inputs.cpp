#include "patch/inputs.h"

#include <glib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/error.h"
#include "checks/conventions.h"
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
  for (const auto& p : properties) {
    if (p.id == kCommentsProperty) StoredString(p, comments);
    if (p.id == kTemplateProperty) StoredString(p, platforms);
    if (p.id == kRevisionProperty) StoredString(p, packageCode);
    if (p.id == kWordCountProperty) StoredNumber(p, wordCount);
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
    std::int64_t baselineWordCount = 0;
    // The packages' cabinets differ; the patch carries its own.
    if (!msi::ReadDatabase(baseline, t.baseline, error, false, &baselineSummary) ||
        !msi::ReadDatabase(upgraded, t.upgraded, error, false, &upgradedSummary) ||
        !ReadTexts(baseline, baselineSummary, ignored, t.baselineTemplate, baselineCode,
                   baselineWordCount, error) ||
        !ReadTexts(upgraded, upgradedSummary, t.upgradedComments, t.upgradedTemplate, upgradedCode,
                   t.upgradedWordCount, error))
      return false;
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
                 const std::string& outPath, std::string& error) {
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
  return ExtractCarriedFiles(targets, patch.carried, files, patch.body.files, error) &&
         WritePatchPackage(patch.summary, patch.body, outPath, error);
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
