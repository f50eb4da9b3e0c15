// The fields of a delta's header, written and read in the container's
// order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "delta/delta.h"

namespace delta {

// Header flags. Windows' patch API names 0x00800000 "no time stamp" among
// its creation options, but in the header a u32 time stamp follows the flags
// exactly when it is set: Wine's decoder reads it so, and decodes
// Windows-made deltas flagged 0x00C40001.
inline constexpr std::uint32_t kUseLzxA = 0x00000001;
inline constexpr std::uint32_t kUseLzxLarge = 0x00000004;  // windows above 8 MiB
inline constexpr std::uint32_t kNoRebase = 0x00040000;
inline constexpr std::uint32_t kNoResourceTimeFix = 0x00400000;
inline constexpr std::uint32_t kTimeStamp = 0x00800000;
inline constexpr std::uint32_t kMd5Signature = 0x01000000;
inline constexpr std::uint32_t kInterleaveFiles = 0x40000000;
inline constexpr std::uint32_t kExtraFlags = 0x80000000;
// The flags of Windows-made deltas of plain files; large windows add
// kUseLzxLarge. The time stamp written is fixed, so that the same files
// always give the same delta.
inline constexpr std::uint32_t kWrittenFlags =
    kUseLzxA | kNoRebase | kNoResourceTimeFix | kTimeStamp;
inline constexpr std::uint32_t kWrittenTimeStamp = 0;
inline constexpr std::uint32_t kLargeWindowAbove = 8u << 20;

struct OldFileEntry {
  std::int64_t size_difference;  // old size - new size
  std::uint32_t crc;
  std::uint64_t stream_size;  // 0: the new file is this old file
};

struct HeaderFields {
  std::uint32_t flags = kWrittenFlags;
  std::uint64_t new_size = 0;
  std::uint32_t new_crc = 0;
  std::vector<OldFileEntry> old_files;
};

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

Bytes WriteHeader(const HeaderFields& fields);
// Appends the u32 that makes the CRC32 of all of `bytes` 0xFFFFFFFF.
void Close(Bytes& bytes);
// Reads a header; `header_size` is where the streams begin.
DeltaResult ReadHeader(const Bytes& delta, HeaderFields& fields, std::size_t& header_size);

}  // namespace delta
