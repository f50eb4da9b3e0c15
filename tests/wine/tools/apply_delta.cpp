// Test-only: applies a delta with the system's own patch engine,
// mspatcha.dll's ApplyPatchToFileW(delta, old file, new file, 0), as the
// installer's PatchFiles action does. Exit status 0 when it applied; else
// the error code is printed.
#include <windows.h>

#include <cstdio>

namespace {

// mspatcha.dll: BOOL WINAPI ApplyPatchToFileW(LPCWSTR PatchFileName,
// LPCWSTR OldFileName, LPCWSTR NewFileName, ULONG ApplyOptionFlags).
using ApplyPatchToFile = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, ULONG);

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: apply_delta DELTA OLD NEW\n");
    return 2;
  }
  const HMODULE engine = ::LoadLibraryW(L"mspatcha.dll");
  if (!engine) {
    std::fprintf(stderr, "mspatcha.dll did not load: %lu\n", ::GetLastError());
    return 3;
  }
  const auto apply = reinterpret_cast<ApplyPatchToFile>(
      reinterpret_cast<void*>(::GetProcAddress(engine, "ApplyPatchToFileW")));
  if (!apply) {
    std::fprintf(stderr, "no ApplyPatchToFileW\n");
    return 3;
  }
  if (!apply(argv[1], argv[2], argv[3], 0)) {
    std::fprintf(stderr, "ApplyPatchToFileW failed: 0x%08lX\n", ::GetLastError());
    return 1;
  }
  return 0;
}
