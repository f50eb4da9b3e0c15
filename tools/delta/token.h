// One step of the parse: a literal byte or a match, as the stream encodes it.
#pragma once

#include <cstdint>

namespace delta {

struct Token {
  std::uint32_t length;  // 0 for a literal
  std::uint32_t value;   // the literal byte, or the formatted offset (0-2: R0-R2)
};

}  // namespace delta
