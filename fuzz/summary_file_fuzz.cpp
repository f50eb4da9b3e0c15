// The summary reader over any file, through the host installer stand-in (which
// reads the file with libmsi).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "package/summary_reader.h"
#include "platform/host/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
  const std::wstring wide = spinstall::platform::host::Widen(path);
  std::wstring targets = L"untouched", upgrade = L"untouched", candidates = L"untouched";
  if (!spinstall::package::ReadTargetList(wide, targets)) fuzzing::Require(targets == L"untouched");
  if (!spinstall::package::ReadVersionRule(wide, upgrade, candidates))
    fuzzing::Require(upgrade == L"untouched" && candidates == L"untouched");
  return 0;
}
