// The parse of a new file against the old one held before it: hash chains
// over old and new, the three repeated offsets tried first, one step of lazy
// matching. Tokens never cross a 32 KiB chunk of output.
#pragma once

#include <cstdint>
#include <vector>

#include "delta/token.h"

namespace delta {

std::vector<Token> ParseAgainst(const std::vector<std::uint8_t>& old_file,
                                const std::vector<std::uint8_t>& new_file, std::uint32_t window);

}  // namespace delta
