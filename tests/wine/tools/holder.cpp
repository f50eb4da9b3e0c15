// Test-only: holds a file open as another program would, without delete
// sharing, until a release file exists.
//   holder PATH rw|r RELEASE   reads PATH, sharing reading and writing (rw) or
//                              reading only (r); prints "held" once it is open
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const DWORD share =
      std::wcscmp(argv[2], L"rw") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  const HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::puts("held");
  std::fflush(stdout);
  while (::GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES) ::Sleep(20);
  ::CloseHandle(file);
  return 0;
}
