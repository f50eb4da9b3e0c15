#include "patch_plan.h"

#include "conventions.h"
#include "file_bytes.h"

namespace msptool {
namespace {

bool IsPrintableAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

// A File table key the patch may name: an identifier of at most 72
// characters, which is also the file's name inside the cabinet.
bool IsFileKey(const std::string& key) {
  if (key.empty() || key.size() > 72) return false;
  for (char c : key) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                    c == '_' || c == '.';
    if (!ok) return false;
  }
  return !(key[0] >= '0' && key[0] <= '9') && key[0] != '.';
}

// Checks the keys that must occur exactly once.
std::string CheckSingles(const Definition& def) {
  for (const char* key :
       {"patch-code", "version-rule", "title", "upgrade-code", "from-version", "to-version"}) {
    if (def.Count(key) != 1) return "needs exactly one " + Quoted(key);
  }
  for (const char* key : {"subject", "author", "comments", "file-folder"}) {
    if (def.Count(key) > 1) return "has more than one " + Quoted(key);
  }
  for (const auto& [key, value] : def.entries) {
    if (!IsPrintableAscii(value)) return "value of " + Quoted(key) + " must be printable ASCII";
  }
  return {};
}

// The versions the patch moves between must be the ones property 5 names.
std::string CheckVersions(const Definition& def) {
  const std::string rule = def.One("version-rule");
  const std::string from = def.One("from-version");
  const std::string to = def.One("to-version");
  if (!IsFourFieldVersion(from))
    return "from-version " + Quoted(from) + " is not a four-field dotted version";
  if (!IsFourFieldVersion(to))
    return "to-version " + Quoted(to) + " is not a four-field dotted version";
  if (to != rule.substr(0, rule.find(';')))
    return "to-version " + Quoted(to) + " differs from the upgrade version of version rule " +
           Quoted(rule);
  std::string candidates = CandidateText(rule);
  candidates.insert(candidates.begin(), ',');
  if (candidates.find(',' + from + ',') == std::string::npos)
    return "from-version " + Quoted(from) + " is not a candidate version of version rule " +
           Quoted(rule);
  return {};
}

std::string ReadFiles(const Definition& def, const std::string& folder,
                      std::vector<CabinetFile>& files) {
  const std::string base = folder + "/" + def.One("file-folder") + "/";
  for (const auto& key : def.All("file")) {
    if (!IsFileKey(key))
      return "file " + Quoted(key) +
             " is not a File table key (letters, digits, '_' and '.', at most 72 characters)";
    for (const auto& earlier : files)
      if (earlier.name == key) return "file " + Quoted(key) + " is named twice";
    CabinetFile file{key, {}};
    if (!ReadFileBytes(base + key, file.contents)) return "cannot read file " + Quoted(base + key);
    files.push_back(std::move(file));
  }
  return {};
}

}  // namespace

bool MakePatchPlan(const Definition& def, const std::string& folder, PatchPlan& plan,
                   std::vector<std::string>& warnings, std::string& error) {
  std::string problem = CheckSingles(def);
  const auto targets = def.All("target");
  std::string targetList;
  for (const auto& code : targets) targetList += (targetList.empty() ? "" : ";") + code;
  if (problem.empty() && targets.empty()) problem = "names no \"target\"";
  if (problem.empty()) problem = CheckTargetList(targetList);
  if (problem.empty()) problem = CheckVersionRule(def.One("version-rule"), warnings);
  if (problem.empty() && !IsRegistryCode(def.One("patch-code")))
    problem = "patch-code " + Quoted(def.One("patch-code")) + " is not in registry form";
  if (problem.empty() && !IsRegistryCode(def.One("upgrade-code")))
    problem = "upgrade-code " + Quoted(def.One("upgrade-code")) + " is not in registry form";
  if (problem.empty()) problem = CheckVersions(def);
  std::vector<CabinetFile> files;
  if (problem.empty()) problem = ReadFiles(def, folder, files);
  if (!problem.empty()) {
    error = problem;
    return false;
  }

  plan.summary = {def.One("title"),        def.One("subject"),  def.One("author"),
                  def.One("version-rule"), def.One("comments"), targetList,
                  def.One("patch-code")};
  plan.content = {
      targets,          def.One("upgrade-code"), def.One("from-version"), def.One("to-version"),
      std::move(files), def.One("patch-code"),   def.One("title")};
  return true;
}

}  // namespace msptool
