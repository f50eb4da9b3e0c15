// Writes a parse as an LZX DELTA stream: the E8-translation bit (off),
// verbatim blocks spanning whole chunks (merged while one set of trees
// costs less than two), each 32 KiB of output a chunk after its u16 size.
#pragma once

#include <cstdint>
#include <vector>

#include "delta/token.h"

namespace delta {

// `tokens` cover `new_size` bytes and none crosses a chunk boundary.
std::vector<std::uint8_t> EncodeStream(const std::vector<Token>& tokens, std::uint32_t new_size,
                                       std::uint32_t window);

}  // namespace delta
