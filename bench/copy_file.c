// copy_file.exe SOURCE TARGET: the bench's baseline for spinstall.exe /e, one
// CopyFileW in a program that imports KERNEL32 alone.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  return argc == 3 && CopyFileW(argv[1], argv[2], FALSE) ? 0 : 1;
}
