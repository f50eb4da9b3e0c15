// Old and new files for delta tests: the kinds of change an upgrade makes
// to a file, over synthetic machine-code-like bytes, the same on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace toolstest {

struct DeltaCase {
  std::string name;
  std::vector<std::uint8_t> old_file;
  std::vector<std::uint8_t> new_file;
  // Other baselines' versions of the file: one delta serves them all.
  std::vector<std::vector<std::uint8_t>> more_old_files = {};
};

// Every case, the large-window ones included.
// The old files of `c`, its first and the others.
std::vector<std::vector<std::uint8_t>> OldFiles(const DeltaCase& c);

std::vector<DeltaCase> DeltaCases();

// Bytes shaped like an executable's code: short instruction patterns,
// 4-byte addresses that grow through the file, padding runs.
std::vector<std::uint8_t> CodeLikeBytes(std::size_t size, std::uint32_t seed);

}  // namespace toolstest
