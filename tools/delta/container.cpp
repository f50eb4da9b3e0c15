#include "delta/container.h"

#include <zlib.h>

#include <algorithm>

#include "delta/lzxd_format.h"
#include "delta/vli.h"

namespace delta {
namespace {

constexpr std::uint8_t kMagic[4] = {'P', 'A', '1', '9'};

void PutU32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool ReadU32(const Bytes& in, std::size_t& at, std::uint32_t& value) {
  if (in.size() - at < 4) return false;
  value = in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) | (std::uint32_t{in[at + 3]} << 24);
  at += 4;
  return true;
}

bool ReadU8(const Bytes& in, std::size_t& at, std::uint8_t& value) {
  if (at >= in.size()) return false;
  value = in[at++];
  return true;
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (size > 0) {
    const auto piece = static_cast<uInt>(size > (1u << 30) ? (1u << 30) : size);
    crc = crc32(crc, data, piece);
    data += piece;
    size -= piece;
  }
  return static_cast<std::uint32_t>(crc);
}

Bytes WriteHeader(const HeaderFields& fields) {
  Bytes out(std::begin(kMagic), std::end(kMagic));
  PutU32(out, fields.flags);
  if (fields.flags & kTimeStamp) PutU32(out, kWrittenTimeStamp);
  PutUnsigned(out, fields.new_size);
  PutU32(out, fields.new_crc);
  out.push_back(static_cast<std::uint8_t>(fields.old_files.size()));
  for (const auto& old_file : fields.old_files) {
    PutSigned(out, old_file.size_difference);
    PutU32(out, old_file.crc);
    out.push_back(0);     // ignore ranges
    out.push_back(0);     // retain ranges
    PutUnsigned(out, 0);  // PE fix-up pairs
    PutUnsigned(out, old_file.stream_size);
  }
  return out;
}

void Close(Bytes& bytes) { PutU32(bytes, Crc32(bytes.data(), bytes.size()) ^ 0xFFFFFFFFu); }

DeltaResult ReadHeader(const Bytes& delta, HeaderFields& fields, std::size_t& header_size) {
  if (delta.size() < 4 || !std::equal(std::begin(kMagic), std::end(kMagic), delta.begin()))
    return DeltaResult::kMalformed;
  std::size_t at = 4;
  std::uint32_t skipped;
  std::uint8_t count;
  if (!ReadU32(delta, at, fields.flags)) return DeltaResult::kMalformed;
  if (fields.flags & (kExtraFlags | kInterleaveFiles | kMd5Signature))
    return DeltaResult::kUnsupported;
  if ((fields.flags & kTimeStamp) && !ReadU32(delta, at, skipped)) return DeltaResult::kMalformed;
  // A rebase address only matters to executables, which this library does
  // not transform.
  if (!(fields.flags & kNoRebase)) return DeltaResult::kUnsupported;
  if (!ReadUnsigned(delta.data(), delta.size(), at, fields.new_size) ||
      !ReadU32(delta, at, fields.new_crc) || !ReadU8(delta, at, count))
    return DeltaResult::kMalformed;
  if (fields.new_size > kMaxWindow) return DeltaResult::kTooLarge;
  fields.old_files.clear();
  for (unsigned i = 0; i < count; ++i) {
    OldFileEntry entry{};
    std::uint8_t ignore_ranges, retain_ranges;
    std::uint64_t fixups;
    if (!ReadSigned(delta.data(), delta.size(), at, entry.size_difference) ||
        !ReadU32(delta, at, entry.crc) || !ReadU8(delta, at, ignore_ranges) ||
        !ReadU8(delta, at, retain_ranges))
      return DeltaResult::kMalformed;
    if (ignore_ranges != 0 || retain_ranges != 0) return DeltaResult::kUnsupported;
    if (!ReadUnsigned(delta.data(), delta.size(), at, fixups)) return DeltaResult::kMalformed;
    if (fixups != 0) return DeltaResult::kUnsupported;
    if (!ReadUnsigned(delta.data(), delta.size(), at, entry.stream_size))
      return DeltaResult::kMalformed;
    fields.old_files.push_back(entry);
  }
  header_size = at;
  return DeltaResult::kOk;
}

}  // namespace delta
