// Test-only: loads the DLL named on the command line with the default search
// order (the program's folder first), as a careless program would. Exit
// status 0 when it loaded.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  return ::LoadLibraryW(argv[1]) ? 0 : 1;
}
