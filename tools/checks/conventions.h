// The conventions a carried package and its descriptors must follow: what the
// installer reads from summary properties 5 and 7 and from descriptor texts.
// Every check returns true when the value is good, otherwise false with a
// message in `error` that names the offending value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"

namespace msptool {

// A product code in registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX},
// 38 characters, upper-case hexadecimal digits.
bool IsRegistryCode(const std::string& text);

// Dotted decimal with one to four fields, each 0-65535: a ProductVersion as
// products ship it ("1.0.1", "16.1.84.0"). Windows compares only the first
// three fields of a ProductVersion (page "ProductVersion property"); spinstall
// reads a missing field as 0.
bool IsDottedVersion(const std::string& text);

// Property 7: registry-form codes separated by single ';', no blanks, no
// empty element, no trailing ';', no code twice (spinstall and msiexec would
// configure the product once per listing).
bool CheckTargetList(const std::string& list, std::string& error);

// Property 5: the upgrade version, one ';', then candidates each ended by ','.
// A candidate equal to the upgrade version never matches; it is reported in
// `warnings`, not as an error.
bool CheckVersionRule(const std::string& rule, std::vector<std::string>& warnings,
                      std::string& error);

// The candidate text of a version rule: everything after its first ';'.
std::string CandidateText(const std::string& rule);

// Property 9: the patch code in registry form (codes of patches it obsoletes
// may follow).
bool CheckPatchCode(const std::string& revision, std::string& error);

// Property 8: the transforms the installer applies, ":name" separated by ';'.
// Without one the installer skips the patch and still reports success.
bool CheckTransformList(const std::string& transforms, std::string& error);

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
bool CheckDescriptor(const std::string& bytes, const DescribedPackage& package, std::string& error);

}  // namespace msptool
