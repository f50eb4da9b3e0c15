#include "delta/delta.h"

#include "delta/container.h"
#include "delta/lzxd_decoder.h"
#include "delta/lzxd_encoder.h"
#include "delta/lzxd_format.h"
#include "delta/parse.h"

namespace delta {
namespace {

constexpr std::size_t kClosingSize = 4;

// The whole delta's CRC32 is 0xFFFFFFFF, the closing u32 making it so.
bool Intact(const Bytes& delta) { return Crc32(delta.data(), delta.size()) == 0xFFFFFFFFu; }

}  // namespace

DeltaOutcome EncodeDelta(const Bytes& old_file, const Bytes& new_file) {
  return EncodeDelta(std::vector<Bytes>{old_file}, new_file);
}

DeltaOutcome EncodeDelta(const std::vector<Bytes>& old_files, const Bytes& new_file) {
  if (old_files.empty() || old_files.size() > kMostOldFiles)
    return {DeltaResult::kTooManyOldFiles, {}};
  HeaderFields fields;
  fields.new_size = new_file.size();
  fields.new_crc = Crc32(new_file.data(), new_file.size());
  Bytes streams;
  bool large = false;
  for (const Bytes& old_file : old_files) {
    // ApplyPatchToFileW maps the old file, and an empty file cannot be mapped
    // (Wine fails it with ERROR_FILE_INVALID, as Windows' CreateFileMapping
    // does).
    if (old_file.empty()) return {DeltaResult::kEmptyOldFile, {}};
    const std::uint32_t window = WindowSize(old_file.size(), new_file.size());
    if (window == 0) return {DeltaResult::kTooLarge, {}};
    large = large || window > kLargeWindowAbove;
    Bytes stream;
    if (old_file != new_file) {
      stream = EncodeStream(ParseAgainst(old_file, new_file, window),
                            static_cast<std::uint32_t>(new_file.size()), window);
      if (stream.empty()) return {DeltaResult::kEncoderFault, {}};
    }
    fields.old_files.push_back(
        {static_cast<std::int64_t>(old_file.size()) - static_cast<std::int64_t>(new_file.size()),
         Crc32(old_file.data(), old_file.size()), stream.size()});
    streams.insert(streams.end(), stream.begin(), stream.end());
  }
  fields.flags = kWrittenFlags | (large ? kUseLzxLarge : 0);
  Bytes delta = WriteHeader(fields);
  delta.insert(delta.end(), streams.begin(), streams.end());
  Close(delta);
  for (const Bytes& old_file : old_files) {
    const DeltaOutcome check = ApplyDelta(delta, old_file);
    if (check.result != DeltaResult::kOk || check.bytes != new_file)
      return {DeltaResult::kEncoderFault, {}};
  }
  return {DeltaResult::kOk, std::move(delta)};
}

DeltaOutcome DeltaHeader(const Bytes& delta) {
  HeaderFields fields;
  std::size_t header_size = 0;
  const DeltaResult read = ReadHeader(delta, fields, header_size);
  if (read != DeltaResult::kOk) return {read, {}};
  if (!Intact(delta)) return {DeltaResult::kBadChecksum, {}};
  Bytes header(delta.begin(), delta.begin() + static_cast<std::ptrdiff_t>(header_size));
  Close(header);
  return {DeltaResult::kOk, std::move(header)};
}

DeltaOutcome ApplyDelta(const Bytes& delta, const Bytes& old_file) {
  HeaderFields fields;
  std::size_t header_size = 0;
  const DeltaResult read = ReadHeader(delta, fields, header_size);
  if (read != DeltaResult::kOk) return {read, {}};
  if (!Intact(delta)) return {DeltaResult::kBadChecksum, {}};
  // The streams follow the header in the order of the old files.
  std::uint64_t streams = 0;
  for (const auto& entry : fields.old_files) {
    if (entry.stream_size > delta.size()) return {DeltaResult::kMalformed, {}};
    streams += entry.stream_size;
  }
  if (header_size + streams + kClosingSize != delta.size()) return {DeltaResult::kMalformed, {}};
  const std::uint32_t old_crc = Crc32(old_file.data(), old_file.size());
  std::size_t at = header_size;
  for (const auto& entry : fields.old_files) {
    const std::size_t stream_at = at;
    at += entry.stream_size;
    if (static_cast<std::int64_t>(old_file.size()) - static_cast<std::int64_t>(fields.new_size) !=
            entry.size_difference ||
        entry.crc != old_crc)
      continue;
    DeltaOutcome made{DeltaResult::kOk, {}};
    if (entry.stream_size == 0) {
      made.bytes = old_file;
    } else {
      const StreamRead decoded =
          DecodeStream(delta.data() + stream_at, entry.stream_size, old_file,
                       static_cast<std::uint32_t>(fields.new_size), made.bytes);
      if (decoded == StreamRead::Unsupported) return {DeltaResult::kUnsupported, {}};
      if (decoded == StreamRead::Malformed) return {DeltaResult::kMalformed, {}};
    }
    if (made.bytes.size() != fields.new_size) return {DeltaResult::kMalformed, {}};
    if (Crc32(made.bytes.data(), made.bytes.size()) != fields.new_crc)
      return {DeltaResult::kBadChecksum, {}};
    return made;
  }
  return {DeltaResult::kWrongOldFile, {}};
}

}  // namespace delta
