#include "checks/conventions.h"

#include <algorithm>
#include <array>

#include "base/error.h"

namespace msptool {
namespace {

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

bool IsRegistryCode(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !IsUpperHex(text[i])) return false;
  }
  return true;
}

bool IsDottedVersion(const std::string& text) {
  const auto fields = Split(text, '.');
  if (fields.size() > 4) return false;
  for (const auto& field : fields) {
    if (field.empty() || field.size() > 5) return false;
    for (char c : field)
      if (c < '0' || c > '9') return false;
    if (std::stoul(field) > 65535) return false;
  }
  return true;
}

bool CheckTargetList(const std::string& list, std::string& error) {
  if (list.empty()) return Refuse(error, "target list (property 7) is empty");
  const auto codes = Split(list, ';');
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const auto& code = codes[i];
    if (code.empty()) {
      return Refuse(error, i + 1 == codes.size()
                               ? "target list (property 7) ends with ';': " + Quoted(list)
                               : "target list (property 7) has an empty element (element " +
                                     std::to_string(i + 1) + ") in " + Quoted(list));
    }
    if (!IsRegistryCode(code)) {
      return Refuse(
          error, "target product code " + Quoted(code) + " (element " + std::to_string(i + 1) +
                     ", " + std::to_string(code.size()) +
                     " characters) is not in registry form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} "
                     "with upper-case hexadecimal digits");
    }
    for (std::size_t j = 0; j < i; ++j)
      if (codes[j] == code)
        return Refuse(error, "target product code " + Quoted(code) + " is listed twice in " +
                                 "property 7 (elements " + std::to_string(j + 1) + " and " +
                                 std::to_string(i + 1) + "): the product would be patched twice");
  }
  return true;
}

std::string CandidateText(const std::string& rule) {
  const auto semicolon = rule.find(';');
  return semicolon == std::string::npos ? std::string() : rule.substr(semicolon + 1);
}

bool CheckVersionRule(const std::string& rule, std::vector<std::string>& warnings,
                      std::string& error) {
  const auto semicolon = rule.find(';');
  if (semicolon == std::string::npos || semicolon == 0)
    return Refuse(error, "version rule (property 5) " + Quoted(rule) +
                             " needs the upgrade version, then ';', then the candidate versions");
  const std::string upgrade = rule.substr(0, semicolon);
  if (!IsDottedVersion(upgrade))
    return Refuse(error, "upgrade version " + Quoted(upgrade) + " in version rule " + Quoted(rule) +
                             " is not a dotted version of one to four fields");
  const std::string candidates = rule.substr(semicolon + 1);
  if (candidates.empty())
    return Refuse(error, "version rule " + Quoted(rule) + " names no candidate version");
  const auto parts = Split(candidates, ',');
  // Split leaves one last part after the final ','; it must be empty.
  if (!parts.back().empty())
    return Refuse(error, "candidate version " + Quoted(parts.back()) + " in version rule " +
                             Quoted(rule) + " lacks its terminating ','");
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (!IsDottedVersion(parts[i]))
      return Refuse(error, "candidate version " + Quoted(parts[i]) + " in version rule " +
                               Quoted(rule) + " is not a dotted version of one to four fields");
    if (parts[i] == upgrade)
      warnings.push_back("candidate version " + Quoted(parts[i]) +
                         " equals the upgrade version and never matches");
  }
  return true;
}

bool CheckPatchCode(const std::string& revision, std::string& error) {
  if (!IsRegistryCode(revision.substr(0, 38)))
    return Refuse(error, "patch code (property 9) " + Quoted(revision) +
                             " does not begin with a GUID in registry form");
  return true;
}

bool CheckTransformList(const std::string& transforms, std::string& error) {
  for (const auto& name : Split(transforms, ';')) {
    if (name.size() < 2 || name[0] != ':')
      return Refuse(error, "transform list (property 8) " + Quoted(transforms) +
                               " needs one or more \":name\" separated by ';'");
  }
  return true;
}

namespace {

// Descriptor lines: every one ended by CR LF.
bool DescriptorLines(const std::string& bytes, std::vector<std::string>& lines,
                     std::string& error) {
  std::string::size_type start = 0;
  while (start < bytes.size()) {
    const auto lf = bytes.find('\n', start);
    const auto cr = bytes.find('\r', start);
    if (lf == std::string::npos || cr != lf - 1)
      return Refuse(error, "descriptor line " + std::to_string(lines.size() + 1) +
                               " does not end with CR LF");
    lines.push_back(bytes.substr(start, cr - start));
    start = lf + 1;
  }
  return true;
}

}  // namespace

bool CheckDescriptor(const std::string& bytes, const DescribedPackage& package,
                     std::string& error) {
  static const std::array<const char*, 8> kKeys = {"ProductCode",       "ProductVersionCandidate",
                                                   "PatchTitle",        "PatchGUID",
                                                   "PatchFileLocation", "PatchSize",
                                                   "PatchDesc",         "PatchDescLocation"};
  if (bytes.empty()) return Refuse(error, "descriptor is empty");
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
      return Refuse(error, "descriptor holds the control byte " + std::to_string(c) +
                               " at offset " + std::to_string(i) + ": it must be text");
  }
  std::vector<std::string> lines;
  if (!DescriptorLines(bytes, lines, error)) return false;
  if (lines.size() != kKeys.size())
    return Refuse(error, "descriptor has " + std::to_string(lines.size()) +
                             " lines, expected the " + std::to_string(kKeys.size()) +
                             " keys ProductCode ... PatchDescLocation");
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    const std::string prefix = std::string(kKeys[i]) + "=";
    if (lines[i].compare(0, prefix.size(), prefix) != 0)
      return Refuse(error, "descriptor line " + std::to_string(i + 1) + " " + Quoted(lines[i]) +
                               " should start with " + Quoted(prefix));
  }
  const auto value = [&lines](std::size_t i) { return lines[i].substr(lines[i].find('=') + 1); };
  const auto targets = Split(package.targets, ';');
  if (std::find(targets.begin(), targets.end(), value(0)) == targets.end() ||
      !IsRegistryCode(value(0)))
    return Refuse(error, "descriptor ProductCode " + Quoted(value(0)) +
                             " is not one of the package's targets");
  if (value(1) != package.candidates)
    return Refuse(error, "descriptor ProductVersionCandidate " + Quoted(value(1)) +
                             " differs from the package's candidate versions " +
                             Quoted(package.candidates));
  if (value(3) != package.patchCode.substr(0, 38))
    return Refuse(error, "descriptor PatchGUID " + Quoted(value(3)) +
                             " differs from the package's patch code " +
                             Quoted(package.patchCode.substr(0, 38)));
  if (value(5) != std::to_string(package.size))
    return Refuse(error, "descriptor PatchSize " + Quoted(value(5)) +
                             " differs from the package's length " + std::to_string(package.size));
  return true;
}

}  // namespace msptool
