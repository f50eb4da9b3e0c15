// A patch descriptor filled from its template: the lines a deployment tool
// reads about one target product of a patch package.
#pragma once

#include <cstdint>
#include <string>

#include "summary/package_summary.h"

namespace msptool {

// `text` with its markers filled for target number `target` (1-based) of
// the package (`size` bytes, `summary` its properties), every line ended by
// CR LF, the last one too. False with `error` set when the package has no
// such target. Markers: @PATCH_SIZE@, @CANDIDATES@, @PRODUCT_CODE@,
// @PATCH_CODE@, @TITLE@, and @KEYWORDS@ and @TARGETS@ (properties 5 and 7 as
// they stand).
bool FillDescriptor(std::string text, const PackageSummary& summary, std::uint64_t size,
                    const std::string& target, std::string& out, std::string& error);

}  // namespace msptool
