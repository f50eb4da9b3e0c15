// The conventions a carried package and its descriptors must follow: what the
// installer reads from summary properties 5 and 7 and from descriptor texts.
// Every check returns an empty string when the value is good, otherwise a
// message that names the offending value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

// The parts of `text` between separators ("" gives one empty part).
std::vector<std::string> Split(const std::string& text, char separator);

// `value` in double quotes, as every message names a value.
std::string Quoted(const std::string& value);

// A product code in registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX},
// 38 characters, upper-case hexadecimal digits.
bool IsRegistryCode(const std::string& text);

// Dotted decimal with exactly four fields, each 0-65535.
bool IsFourFieldVersion(const std::string& text);

// Property 7: registry-form codes separated by single ';', no blanks, no
// empty element, no trailing ';'.
std::string CheckTargetList(const std::string& list);

// Property 5: the upgrade version, one ';', then candidates each ended by ','.
// A candidate equal to the upgrade version never matches; it is reported in
// `warnings`, not as an error.
std::string CheckVersionRule(const std::string& rule, std::vector<std::string>& warnings);

// The candidate text of a version rule: everything after its first ';'.
std::string CandidateText(const std::string& rule);

// Property 9: the patch code in registry form (codes of patches it obsoletes
// may follow).
std::string CheckPatchCode(const std::string& revision);

// Property 8: the transforms the installer applies, ":name" separated by ';'.
// Without one the installer skips the patch and still reports success.
std::string CheckTransformList(const std::string& transforms);

// What a descriptor is checked against.
struct DescribedPackage {
  std::uint64_t size;      // the package's byte length
  std::string targets;     // property 7
  std::string candidates;  // property 5 after its first ';'
  std::string patchCode;   // property 9
};

// A descriptor text: 8-bit text (any byte but NUL and the control characters
// other than TAB), CR LF after every line including the last, the eight keys
// in order; ProductCode one of the package's targets, ProductVersionCandidate
// its candidate text, PatchGUID its patch code, PatchSize its byte length.
std::string CheckDescriptor(const std::string& bytes, const DescribedPackage& package);

}  // namespace msptool
