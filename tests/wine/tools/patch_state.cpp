// Test-only: asks the installer service directly (not through the program's
// code) what a patch did to installed products. For each product code given:
//   CODE VersionString VALUE    MsiGetProductInfoW, "-" when the query fails
//   CODE patch PATCHCODE        one line per patch MsiEnumPatchesExW lists,
//   CODE uninstallable PATCHCODE VALUE   then its registered Uninstallable
//                               (MsiGetPatchInfoExW, "-" when the query fails)
// and for each other argument, a file's path:
//   PATH FileVersion VERSION LANGUAGE   MsiGetFileVersionW, "-" when it fails
#include <windows.h>
// msi.h needs the types of windows.h.
#include <msi.h>

#include <cstdio>
#include <string>

namespace {

void Report(const wchar_t* code) {
  wchar_t version[64];
  DWORD size = 64;
  const UINT r = MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, version, &size);
  std::printf("%ls VersionString %ls\n", code, r == ERROR_SUCCESS ? version : L"-");
  for (DWORD i = 0;; ++i) {
    wchar_t patch[39], target[39];
    MSIINSTALLCONTEXT context;
    if (MsiEnumPatchesExW(code, nullptr, MSIINSTALLCONTEXT_ALL, MSIPATCHSTATE_ALL, i, patch, target,
                          &context, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    std::printf("%ls patch %ls\n", code, patch);
    wchar_t value[16];
    DWORD valueSize = 16;
    const UINT u = MsiGetPatchInfoExW(patch, code, nullptr, context, INSTALLPROPERTY_UNINSTALLABLE,
                                      value, &valueSize);
    std::printf("%ls uninstallable %ls %ls\n", code, patch, u == ERROR_SUCCESS ? value : L"-");
  }
}

void ReportFile(const wchar_t* path) {
  wchar_t version[64], language[64];
  DWORD versionSize = 64, languageSize = 64;
  const UINT r = MsiGetFileVersionW(path, version, &versionSize, language, &languageSize);
  if (r == ERROR_SUCCESS)
    std::printf("%ls FileVersion %ls %ls\n", path, version, language);
  else
    std::printf("%ls FileVersion -\n", path);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: patch_state PRODUCTCODE|PATH...\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == L'{')
      Report(argv[i]);
    else
      ReportFile(argv[i]);
  }
  return 0;
}
