// delta_file OLD NEW DELTA: writes the delta msptool_delta makes from OLD to
// NEW (checked by applying it), for bench/run to time and size.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "delta/delta.h"

namespace {

bool Read(const char* path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::uint8_t> old_file, new_file;
  if (argc != 4 || !Read(argv[1], old_file) || !Read(argv[2], new_file)) {
    std::fprintf(stderr, "usage: delta_file OLD NEW DELTA\n");
    return 2;
  }
  const delta::DeltaOutcome made = delta::EncodeDelta(old_file, new_file);
  if (made.result != delta::DeltaResult::kOk) {
    std::fprintf(stderr, "no delta: result %d\n", static_cast<int>(made.result));
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary);
  out.write(reinterpret_cast<const char*>(made.bytes.data()),
            static_cast<std::streamsize>(made.bytes.size()));
  return out ? 0 : 1;
}
