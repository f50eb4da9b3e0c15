// msp_tool's cabinet reader over any bytes: it writes the wanted files it
// finds, or refuses the cabinet, within the bytes it was given.
#include <cstring>

#include "cabinet/reader.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const msptool::ByteSource source{size, [&](std::uint64_t at, void* to, std::size_t count) {
                                     fuzzing::Require(at <= size && count <= size - at);
                                     std::memcpy(to, data + at, count);
                                     return true;
                                   }};
  std::set<std::string> found;
  const std::map<std::string, std::string> wanted = {{"a", "/dev/null"}, {"b", "/dev/null"}};
  if (msptool::ExtractCabinetFiles(source, wanted, found) == msptool::CabinetRead::Extracted)
    for (const auto& name : found) fuzzing::Require(wanted.count(name) == 1);
  return 0;
}
