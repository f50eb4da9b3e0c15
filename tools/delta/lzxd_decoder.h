// Reads the LZX DELTA streams this library writes (verbatim and aligned
// offset blocks, no E8 translation), checking every read against the
// stream's bounds and every match against the bytes decoded so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace delta {

enum class StreamRead { Decoded, Malformed, Unsupported };

// The `new_size` bytes the stream makes after `old_file` as history, into
// `out`; the stream must be consumed exactly.
StreamRead DecodeStream(const std::uint8_t* stream, std::size_t size,
                        const std::vector<std::uint8_t>& old_file, std::uint32_t new_size,
                        std::vector<std::uint8_t>& out);

}  // namespace delta
