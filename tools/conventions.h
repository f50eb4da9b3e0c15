// The conventions a carried package and its descriptors must follow: what the
// installer reads from summary properties 5 and 7 and from descriptor texts.
// Every check returns an empty string when the value is good, otherwise a
// message that names the offending value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

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

// A descriptor text: 8-bit text, CR LF after every line including the last,
// the eight keys in order, PatchSize equal to the package's byte length,
// ProductVersionCandidate equal to the package's candidate text.
std::string CheckDescriptor(const std::string& bytes, std::uint64_t packageSize,
                            const std::string& candidates);

}  // namespace msptool
