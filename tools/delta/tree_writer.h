// A tree's path lengths as the stream stores them: delta-coded against the
// same tree's previous lengths through a 20-symbol pretree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "delta/bit_writer.h"

namespace delta {

// Writes the pretree and the lengths `next[0..count)`, coded against
// `previous[0..count)`.
void WriteLengths(BitWriter& out, const std::uint8_t* previous, const std::uint8_t* next,
                  std::size_t count);

}  // namespace delta
