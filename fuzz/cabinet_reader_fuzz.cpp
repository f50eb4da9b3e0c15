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
  // Sizes from the input's first byte, so that both the claims check and
  // the extraction are reached.
  const std::uint64_t claimed = size ? data[0] * 97u : 0;
  const std::map<std::string, msptool::WantedFile> wanted = {{"a", {"/dev/null", claimed}},
                                                             {"b", {"/dev/null", claimed / 2}}};
  if (msptool::ExtractCabinetFiles(source, wanted, found) == msptool::CabinetRead::Extracted)
    for (const auto& name : found) fuzzing::Require(wanted.count(name) == 1);
  return 0;
}
