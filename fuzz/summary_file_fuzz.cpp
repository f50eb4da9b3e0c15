// The summary reader over any file, through the host installer stand-in (which
// reads the file with libmsi).
#include <string>

#include "fuzz_input.h"
#include "package/summary_reader.h"
#include "platform/host/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzing::InputFile(data, size);
  const std::wstring wide = spinstall::platform::host::Widen(path);
  std::wstring targets = L"untouched", upgrade = L"untouched", candidates = L"untouched";
  if (!spinstall::package::ReadTargetList(wide, targets)) fuzzing::Require(targets == L"untouched");
  if (!spinstall::package::ReadVersionRule(wide, upgrade, candidates))
    fuzzing::Require(upgrade == L"untouched" && candidates == L"untouched");
  return 0;
}
