// The delta decoder over any bytes. The first three bytes give the new
// file's size (up to 1 MiB) and the rest is an LZX DELTA stream decoded
// after a fixed old file; the same bytes, closed with a good CRC, are also
// read as a whole delta. Either is refused or makes exactly the size it
// declares, within the bytes it was given.
#include <cstdint>
#include <vector>

#include "delta/container.h"
#include "delta/delta.h"
#include "delta/lzxd_decoder.h"
#include "fuzz_input.h"

namespace {

const std::vector<std::uint8_t>& OldFile() {
  static const std::vector<std::uint8_t> old_file = [] {
    std::vector<std::uint8_t> bytes(65536);
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      state = state * 1103515245u + 12345u;
      bytes[i] =
          (i % 7 == 0) ? static_cast<std::uint8_t>(state >> 24) : static_cast<std::uint8_t>(i / 64);
    }
    return bytes;
  }();
  return old_file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 3) {
    const std::uint32_t new_size = (data[0] | (data[1] << 8) | (data[2] << 16)) & 0xFFFFF;
    std::vector<std::uint8_t> out;
    if (delta::DecodeStream(data + 3, size - 3, OldFile(), new_size, out) ==
        delta::StreamRead::Decoded)
      fuzzing::Require(out.size() == new_size);
  }
  std::vector<std::uint8_t> whole(data, data + size);
  delta::Close(whole);
  const delta::DeltaOutcome applied = delta::ApplyDelta(whole, OldFile());
  if (applied.result == delta::DeltaResult::kOk)
    fuzzing::Require(applied.bytes.size() <= (32u << 20));
  return 0;
}
