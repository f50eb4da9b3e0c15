// A compound file's directory read from its own bytes, without libgsf: the
// tree of storages and streams its header, FAT and directory sectors give.
// libgsf drops an entry it finds wrong (a stream claiming 0xFFFFFFF0 bytes,
// say) with only a warning, and a package read without its File table looks
// like a package without files; the reader compares the two and refuses a
// file whose entries libgsf did not all list (reader.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

struct DirectoryNode {
  std::string name;  // UTF-8, as libgsf names it
  bool isStorage = false;
  std::uint64_t size = 0;  // streams
  std::vector<DirectoryNode> children;
};

// The root storage of the compound file `bytes` reads (`read` fills `to`
// with `count` bytes at `offset`, false when they are not all there), of
// `fileSize` bytes. False, with `error` saying what is wrong, when the
// header, a chain or an entry is not what the format allows: a stream longer
// than the file, an entry referred to twice, a chain that loops.
struct CompoundBytes {
  std::uint64_t size = 0;
  bool (*read)(void* context, std::uint64_t offset, void* to, std::size_t count) = nullptr;
  void* context = nullptr;
};
bool ReadCompoundDirectory(const CompoundBytes& bytes, DirectoryNode& root, std::string& error);

// The same for the file at `path`.
bool ReadCompoundDirectory(const std::string& path, DirectoryNode& root, std::string& error);

}  // namespace msptool
