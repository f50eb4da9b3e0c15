#include "launcher/run_mode.h"

#include <new>

#include "platform/environment.h"

namespace spinstall::launcher {
namespace {

bool IsOption(const std::wstring& arg, wchar_t letter) {
  if (arg.size() != 2 || arg[0] != L'/') return false;
  const wchar_t c = arg[1];
  return (c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c) == letter;
}

}  // namespace

RunMode& CurrentRunMode() {
  static RunMode mode;
  return mode;
}

void ParseArguments(const std::vector<std::wstring>& args, RunMode& mode) {
  mode = RunMode{};
  try {
    for (std::size_t i = 1; i < args.size();) {
      const std::wstring& arg = args[i];
      const bool hasNext = i + 1 < args.size();
      if (IsOption(arg, L'q')) {
        mode.quiet = true;
        i += 1;
      } else if (IsOption(arg, L'e')) {
        mode.extract = true;
        mode.install = false;
        if (hasNext) mode.extractPath = args[i + 1];
        i += hasNext ? 2 : 1;
      } else if (IsOption(arg, L'p')) {
        mode.patchList = true;
        mode.install = false;
        if (hasNext) mode.patchListPath = args[i + 1];
        i += hasNext ? 2 : 1;
      } else if (IsOption(arg, L'i')) {
        mode.install = false;
        mode.info = true;
        break;
      } else {
        i += 1;
      }
    }
  } catch (const std::bad_alloc&) {
    // Memory ran out while storing a path: the options seen so far stand.
  }
}

bool ParseCommandLine() {
  ParseArguments(platform::CommandLineArguments(), CurrentRunMode());
  return true;
}

}  // namespace spinstall::launcher
