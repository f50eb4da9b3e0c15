// Any file through msp_tool's summary reader (libmsi), in a child process as
// msp_tool reads it: libmsi crashes on some files, and only the child may go
// down with it. A read names no error, a failure always one.
#include "cli/crash_guard.h"
#include "fuzz_input.h"
#include "summary/package_summary.h"
#include "tool_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr int kRead = 10, kNotRead = 11, kBroken = 12;
  const std::string path = fuzzing::InputFile(data, size);
  const msptool::ChildEnd end = msptool::RunInChild([&] {
    msptool::PackageSummary summary;
    std::string error;
    const bool read = msptool::ReadPackageSummary(path, summary, error);
    return read == error.empty() ? (read ? kRead : kNotRead) : kBroken;
  });
  fuzzing::Require(end.started && end.status != kBroken);
  return 0;
}
