// The parse of a new file against the old one held before it: within each
// 32 KiB chunk of output the cheapest way by the learnt prices through
// literals, repeated offsets and the matches the hash chains find, a long
// match taken as soon as it is met. Tokens never cross a chunk.
#pragma once

#include <cstdint>
#include <vector>

#include "delta/token.h"

namespace delta {

std::vector<Token> ParseAgainst(const std::vector<std::uint8_t>& old_file,
                                const std::vector<std::uint8_t>& new_file, std::uint32_t window);

}  // namespace delta
