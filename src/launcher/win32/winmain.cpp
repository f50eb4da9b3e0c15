// The Windows GUI entry point.
#include <windows.h>

#include "launcher/entry.h"
#include "platform/win32/module.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything can load a library: never from the program's own folder or
  // the current directory, where a planted DLL may wait.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  spinstall::platform::win32::SetModuleInstance(instance);
  // Windows keeps the whole 32-bit code.
  return static_cast<int>(spinstall::launcher::RunProgram());
}
