// One transform inside a patch package: a sub-storage with its own summary
// information, string pool and one stream per table it changes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "string_pool.h"

namespace msptool {

struct Transform {
  std::string name;  // the sub-storage's name; property 8 lists it as ":name"
  // Property 9: "{product code}from-version;{product code}to-version;{upgrade code}".
  std::string description;
  // Property 16: the validation flags in the upper word, the error conditions
  // to suppress in the lower word (see package_writer.h for the values).
  std::uint32_t characterCount = 0;
  StringPool strings;
  std::vector<std::pair<std::string, std::string>> tables;  // table name, stream bytes
};

// Validation flags (property 16's upper word).
inline constexpr std::uint32_t kValidateProductCode = 0x0002;
inline constexpr std::uint32_t kValidateUpgradeCode = 0x0800;
// Error conditions (its lower word).
inline constexpr std::uint32_t kIgnoreAddExistingRow = 0x0001;
inline constexpr std::uint32_t kIgnoreDeleteMissingRow = 0x0002;
inline constexpr std::uint32_t kIgnoreAddExistingTable = 0x0004;

}  // namespace msptool
