// Any bytes through msp_tool's own compound directory reader: it gives a tree
// or refuses the file, reading only within the bytes it was given.
#include <cstring>

#include "compound/directory.h"
#include "fuzz_input.h"

namespace {

struct Input {
  const std::uint8_t* data;
  std::size_t size;
};

bool ReadInput(void* context, std::uint64_t at, void* to, std::size_t count) {
  const auto* input = static_cast<const Input*>(context);
  fuzzing::Require(at <= input->size && count <= input->size - at);
  std::memcpy(to, input->data + at, count);
  return true;
}

std::size_t Count(const msptool::DirectoryNode& node) {
  std::size_t n = 1;
  for (const auto& child : node.children) n += Count(child);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input{data, size};
  msptool::DirectoryNode root;
  std::string error;
  if (!msptool::ReadCompoundDirectory({size, ReadInput, &input}, root, error)) {
    fuzzing::Require(!error.empty());
    return 0;
  }
  // Every entry is listed once: no more entries than 128-byte slots.
  fuzzing::Require(Count(root) <= size / 128 + 1);
  return 0;
}
