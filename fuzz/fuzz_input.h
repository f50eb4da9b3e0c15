// Turning a fuzzer's bytes into the program's inputs.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzing {

// The bytes as UTF-16LE code units, as Windows hands text to the program (an
// odd last byte is dropped).
inline std::wstring WideText(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  return text;
}

// The bytes as the one file of this fuzzing process, rewritten for each input.
inline std::string InputFile(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    char name[] = "/tmp/spinstall-fuzz-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    return std::string(name);
  }();
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

// Stops the run on a broken invariant, so that libFuzzer reports the input.
inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace fuzzing
