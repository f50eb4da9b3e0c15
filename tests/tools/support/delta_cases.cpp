#include "delta_cases.h"

#include <random>

namespace toolstest {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// Rewrites about one byte in `every` at scattered places.
Bytes ScatteredEdits(Bytes bytes, std::size_t every, std::uint32_t seed) {
  std::mt19937 random(seed);
  for (std::size_t i = 0; i < bytes.size() / every; ++i) bytes[random() % bytes.size()] ^= 0x5A;
  return bytes;
}

Bytes Inserted(Bytes bytes, std::size_t at, const Bytes& block) {
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
  return bytes;
}

// Code moved by `shift` bytes: every address in it grows by as much.
Bytes ShiftedCode(const Bytes& code, std::uint32_t shift) {
  Bytes shifted = Inserted(code, code.size() / 4, RandomBytes(shift, 99));
  for (std::size_t i = 0; i + 5 <= shifted.size(); ++i)
    if (shifted[i] == 0xE8) {  // a call: the 4 bytes after it are an address
      std::uint32_t address = shifted[i + 1] | (shifted[i + 2] << 8) | (shifted[i + 3] << 16);
      address += shift;
      for (int b = 0; b < 3; ++b)
        shifted[i + 1 + b] = static_cast<std::uint8_t>(address >> (8 * b));
      i += 4;
    }
  return shifted;
}

}  // namespace

Bytes CodeLikeBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  static const std::uint8_t kPatterns[][4] = {{0x48, 0x89, 0xC7, 0}, {0x48, 0x8B, 0x45, 0},
                                              {0x0F, 0x1F, 0x44, 0}, {0x89, 0x44, 0x24, 0},
                                              {0xFF, 0x15, 0, 0},    {0x31, 0xC0, 0, 0}};
  Bytes bytes;
  bytes.reserve(size + 8);
  std::uint32_t address = 0x1000;
  while (bytes.size() < size) {
    const unsigned kind = random() % 10;
    if (kind < 6) {
      for (std::uint8_t b : kPatterns[kind])
        bytes.push_back(b ? b : static_cast<std::uint8_t>(random() % 16));
    } else if (kind < 8) {
      address += random() % 64;
      bytes.push_back(0xE8);
      for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<std::uint8_t>(address >> (8 * b)));
    } else if (kind == 8) {
      bytes.insert(bytes.end(), random() % 12, 0xCC);
    } else {
      bytes.push_back(static_cast<std::uint8_t>(random()));
    }
  }
  bytes.resize(size);
  return bytes;
}

std::vector<DeltaCase> DeltaCases() {
  const Bytes code = CodeLikeBytes(300000, 1);
  Bytes deleted(code.begin(), code.begin() + 100000);
  deleted.insert(deleted.end(), code.begin() + 107000, code.end());
  Bytes doubled = code;
  doubled.insert(doubled.end(), code.begin(), code.end());
  Bytes zeros(1 << 20, 0);
  Bytes zeros_edited = zeros;
  zeros_edited[40000] = 1;
  zeros_edited[700000] = 2;
  const Bytes big = CodeLikeBytes(8 << 20, 2);
  const Bytes bigger = CodeLikeBytes(13 << 20, 3);
  return {
      {"both_empty", {}, {}},
      {"from_empty", {}, CodeLikeBytes(50000, 4)},
      {"to_empty", CodeLikeBytes(50000, 5), {}},
      {"identical", code, code},
      {"one_byte_changed", code, ScatteredEdits(code, code.size(), 6)},
      {"scattered_edits", code, ScatteredEdits(code, 100, 7)},
      {"block_inserted", code, Inserted(code, 120000, RandomBytes(5000, 8))},
      {"block_deleted", code, deleted},
      {"shifted_code", code, ShiftedCode(code, 64)},
      {"file_doubles", code, ScatteredEdits(doubled, 10000, 9)},
      {"random_data", RandomBytes(100000, 10), RandomBytes(120000, 11)},
      {"long_runs", zeros, zeros_edited},
      {"whole_chunks", CodeLikeBytes(65536, 12),
       ScatteredEdits(CodeLikeBytes(65536, 12), 1000, 13)},
      {"window_16mib", big, ScatteredEdits(big, 100, 14)},
      {"window_32mib", bigger,
       Inserted(ScatteredEdits(bigger, 100, 15), 5 << 20, RandomBytes(30000, 16))},
      // A cumulative patch: the releases 1.0 and 1.1 of the file both become 1.2.
      {"two_baselines",
       code,
       Inserted(ScatteredEdits(code, 100, 17), 200000, RandomBytes(3000, 18)),
       {Inserted(code, 200000, RandomBytes(3000, 18))}},
  };
}

std::vector<Bytes> OldFiles(const DeltaCase& c) {
  std::vector<Bytes> old_files = {c.old_file};
  old_files.insert(old_files.end(), c.more_old_files.begin(), c.more_old_files.end());
  return old_files;
}

}  // namespace toolstest
