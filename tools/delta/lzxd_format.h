// The fixed shape of an LZX DELTA stream: window sizes, position slots,
// tree sizes and the output chunk, shared by the encoder and the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace delta {

inline constexpr std::uint32_t kMinWindow = 1u << 17;
inline constexpr std::uint32_t kMaxWindow = 1u << 25;
// Output is cut into chunks of this size; each chunk's bits are padded to a
// 16-bit boundary and preceded by their byte count.
inline constexpr std::uint32_t kChunkSize = 32768;
inline constexpr unsigned kLiterals = 256;
inline constexpr unsigned kLengthHeaders = 8;  // the low 3 bits of a match symbol
inline constexpr unsigned kLengthSymbols = 249;
inline constexpr unsigned kPretreeSymbols = 20;
inline constexpr unsigned kMaxCodeLength = 16;
inline constexpr unsigned kMaxPretreeLength = 15;  // stored in 4 bits
inline constexpr unsigned kMinMatch = 2;
// A match of this length carries an extended length after it.
inline constexpr unsigned kLongestPlainMatch = 257;
inline constexpr unsigned kLongestMatch = kLongestPlainMatch + 32767;
inline constexpr unsigned kMaxPositionSlots = 290;
inline constexpr unsigned kMaxMainSymbols = kLiterals + kMaxPositionSlots * kLengthHeaders;

inline constexpr unsigned kBlockVerbatim = 1;
inline constexpr unsigned kBlockAligned = 2;

// The window holds the old file (rounded up to a whole chunk) and the new
// one: the smallest power of two from 2^17 up. 0 when that exceeds 2^25.
std::uint32_t WindowSize(std::uint64_t old_size, std::uint64_t new_size);

// Position slots by window size: enough that every formatted offset below
// the window has a slot.
unsigned PositionSlots(std::uint32_t window);

// Footer bits and base of a position slot: slots 0-2 are the repeated
// offsets; then pairs of slots double their span up to 17 footer bits.
unsigned FooterBits(unsigned slot);
std::uint32_t SlotBase(unsigned slot);
// The slot of a formatted offset (offset + 2, or 0-2 for R0-R2).
unsigned SlotOf(std::uint32_t formatted_offset);

}  // namespace delta
