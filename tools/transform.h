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
  // Property 16: what a product must match for the installer to apply it.
  std::int32_t validation = 0;
  StringPool strings;
  std::vector<std::pair<std::string, std::string>> tables;  // table name, stream bytes
};

// Validation flags of property 16.
constexpr std::int32_t kValidateProductCode = 0x0002;
constexpr std::int32_t kValidateUpgradeCode = 0x0800;

}  // namespace msptool
