// A stand-in msi.dll planted next to spinstall.exe by the library-planting
// test: when anything loads it, it leaves a marker file beside itself.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH - 16) {
      wchar_t* slash = wcsrchr(path, L'\\');
      if (slash) {
        wcscpy(slash + 1, L"planted-loaded");
        HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
      }
    }
  }
  return TRUE;
}
