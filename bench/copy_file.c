// copy_file.exe SOURCE TARGET [/flush]: the bench's baseline for
// spinstall.exe /e, one CopyFileW in a program that imports KERNEL32 alone.
// With /flush the copy is then flushed to disk, as /e flushes its output.
#include <windows.h>

static int Flush(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const BOOL flushed = FlushFileBuffers(file);
  return CloseHandle(file) && flushed;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3 || argc > 4 || !CopyFileW(argv[1], argv[2], FALSE)) return 1;
  return argc == 4 && !Flush(argv[2]) ? 1 : 0;
}
