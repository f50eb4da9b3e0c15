// A patch derived from two small databases made in memory (one product, one
// file that grows, a version that goes up), for tests of what reads patches.
#pragma once

#include <string>

#include "patch/derive.h"

namespace toolstest {

msptool::DerivedPatch SmallPatch(const std::string& productCode, const std::string& patchCode);

}  // namespace toolstest
