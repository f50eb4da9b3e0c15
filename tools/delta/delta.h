// Binary deltas in the container Windows' patch engine applies ("PA19"):
// one or more old files, no rebase, no ranges, an LZX DELTA stream for each.
// Plain functions over bytes; every outcome is a result code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace delta {

using Bytes = std::vector<std::uint8_t>;

enum class DeltaResult {
  kOk,
  kTooLarge,         // old and new do not fit one 32 MiB window: carry the file whole
  kEmptyOldFile,     // the patch engine cannot map an empty old file: carry the file whole
  kMalformed,        // not a delta, cut short, or a stream that does not decode
  kUnsupported,      // a valid form this library does not read (rebase, ranges, E8, ...)
  kBadChecksum,      // the delta's or the decoded file's CRC does not match
  kWrongOldFile,     // the old file is not the one the delta was made from
  kEncoderFault,     // a delta made here failed its own check
  kTooManyOldFiles,  // none, or more than the container's count byte holds
};

// The container counts its old files in one byte.
inline constexpr std::size_t kMostOldFiles = 255;

struct DeltaOutcome {
  DeltaResult result;
  Bytes bytes;
};

// The delta turning `old_file` into `new_file`, checked by applying it.
DeltaOutcome EncodeDelta(const Bytes& old_file, const Bytes& new_file);
// One delta turning any of `old_files` into `new_file`: a stream for each,
// made against that old file alone; the engine decodes the one whose size
// and CRC are the installed file's. Checked by applying it to each. Equal old
// files are the caller's to merge (the engine would take the first).
DeltaOutcome EncodeDelta(const std::vector<Bytes>& old_files, const Bytes& new_file);
// The delta's header alone with its own closing CRC, as the installer's
// Patch table keeps it.
DeltaOutcome DeltaHeader(const Bytes& delta);
// The new file the delta makes from `old_file`.
DeltaOutcome ApplyDelta(const Bytes& delta, const Bytes& old_file);

}  // namespace delta
