#include "delta/lzxd_format.h"

namespace delta {

std::uint32_t WindowSize(std::uint64_t old_size, std::uint64_t new_size) {
  const std::uint64_t needed = (old_size + kChunkSize - 1) / kChunkSize * kChunkSize + new_size;
  std::uint64_t window = kMinWindow;
  while (window < needed) window <<= 1;
  return window > kMaxWindow ? 0 : static_cast<std::uint32_t>(window);
}

unsigned FooterBits(unsigned slot) {
  if (slot < 4) return 0;
  const unsigned bits = slot / 2 - 1;
  return bits > 17 ? 17 : bits;
}

std::uint32_t SlotBase(unsigned slot) {
  if (slot < 4) return slot;
  if (slot < 36) return (2u + (slot & 1)) << (slot / 2 - 1);
  return 262144u + (slot - 36) * 131072u;  // 17 footer bits each from here
}

unsigned SlotOf(std::uint32_t formatted_offset) {
  if (formatted_offset < 4) return formatted_offset;
  if (formatted_offset >= 262144) return 36 + (formatted_offset - 262144) / 131072;
  const unsigned top = 31 - static_cast<unsigned>(__builtin_clz(formatted_offset));
  return 2 * top + ((formatted_offset >> (top - 1)) & 1);
}

unsigned PositionSlots(std::uint32_t window) {
  unsigned slots = 4;
  while (SlotBase(slots - 1) + (1u << FooterBits(slots - 1)) < window) ++slots;
  return slots;
}

}  // namespace delta
