// The delta encoder over any pair of files. The first byte splits the rest
// into an old file and a change to it: the new file is the old one with the
// change written over it, or inserted, at a place the second byte gives, so
// that most inputs share much with their old file, as upgrades do. Every
// delta made must turn the old file into the new one.
#include <cstdint>
#include <vector>

#include "delta/delta.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t rest = size - 2;
  const std::size_t old_size = rest * data[0] / 255;
  const std::vector<std::uint8_t> old_file(data + 2, data + 2 + old_size);
  const std::vector<std::uint8_t> change(data + 2 + old_size, data + size);
  std::vector<std::uint8_t> new_file = old_file;
  const std::size_t at = old_size * data[1] / 255;
  if (data[1] & 1) {
    new_file.insert(new_file.begin() + static_cast<std::ptrdiff_t>(at), change.begin(),
                    change.end());
  } else {
    new_file.resize(std::max(new_file.size(), at + change.size()));
    std::copy(change.begin(), change.end(), new_file.begin() + static_cast<std::ptrdiff_t>(at));
  }
  const delta::DeltaOutcome made = delta::EncodeDelta(old_file, new_file);
  if (old_file.empty()) {
    fuzzing::Require(made.result == delta::DeltaResult::kEmptyOldFile);
    return 0;
  }
  // The encoder applies its delta before it answers: a fault is a finding.
  fuzzing::Require(made.result == delta::DeltaResult::kOk);
  const delta::DeltaOutcome applied = delta::ApplyDelta(made.bytes, old_file);
  fuzzing::Require(applied.result == delta::DeltaResult::kOk && applied.bytes == new_file);
  return 0;
}
