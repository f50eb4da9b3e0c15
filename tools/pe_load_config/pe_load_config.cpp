// pe_load_config: points the load-configuration entry of a linked Windows
// program's data directory at its section ".loadcfg", which holds the
// program's _load_config_used, and renews the header checksum. MinGW's linker
// (binutils before 2.42) fills in no load configuration itself; the loader
// reads the entry before it resolves any import.
//
//   pe_load_config PROGRAM.exe
//
// A failure is one line on standard error, and exit status 1.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include "base/file_bytes.h"
#include "base/little_endian.h"

namespace {

using msptool::GetU16;
using msptool::GetU32;

constexpr std::size_t kLoadConfigEntry = 10;

int Fail(const std::string& path, const std::string& message) {
  std::cerr << "pe_load_config: error: " << path << ": " << message << "\n";
  return 1;
}

void PutU32At(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The PE checksum: 16-bit words summed with end-around carry, the checksum
// field itself left out, plus the file's length.
std::uint32_t Checksum(const std::string& b, std::size_t checksumAt) {
  std::uint64_t sum = 0;
  for (std::size_t at = 0; at < b.size(); at += 2) {
    if (at == checksumAt || at == checksumAt + 2) continue;
    sum += at + 1 < b.size() ? GetU16(b, at) : static_cast<unsigned char>(b[at]);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + b.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pe_load_config PROGRAM.exe\n";
    return 1;
  }
  const std::string path = argv[1];
  std::string b;
  if (!msptool::ReadFileBytes(path, b)) return Fail(path, "cannot read the file");
  if (b.size() < 0x40 || GetU32(b, 0x3C) > b.size() - 24 || GetU32(b, GetU32(b, 0x3C)) != 0x4550)
    return Fail(path, "not a PE file");
  const std::size_t coff = GetU32(b, 0x3C) + 4;
  const std::size_t optional = coff + 20;
  const std::size_t sections = optional + GetU16(b, coff + 16);
  const std::size_t count = GetU16(b, coff + 2);
  if (optional + 96 > b.size() || sections + 40 * count > b.size()) return Fail(path, "cut short");
  const bool plus = GetU16(b, optional) == 0x20B;
  const std::size_t directory = optional + (plus ? 112 : 96);
  if (GetU32(b, optional + (plus ? 108 : 92)) <= kLoadConfigEntry)
    return Fail(path, "no load-configuration entry in the data directory");
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t header = sections + 40 * i;
    if (b.compare(header, 8, std::string(".loadcfg", 8)) != 0) continue;
    const std::uint32_t raw = GetU32(b, header + 20);
    if (raw + 4 > b.size()) return Fail(path, "section .loadcfg lies outside the file");
    PutU32At(b, directory + 8 * kLoadConfigEntry, GetU32(b, header + 12));  // its address
    PutU32At(b, directory + 8 * kLoadConfigEntry + 4, GetU32(b, raw));      // the Size field
    PutU32At(b, optional + 64, Checksum(b, optional + 64));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(b.data(), static_cast<std::streamsize>(b.size())) || !out.flush())
      return Fail(path, "cannot write the file");
    return 0;
  }
  return Fail(path, "no section .loadcfg");
}
