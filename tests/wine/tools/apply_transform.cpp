// Test-only: applies a transform to a copy of a database with the installer's
// own MsiDatabaseApplyTransformW, nothing of ours in between:
//   apply_transform DATABASE TRANSFORM OUT
// copies DATABASE to OUT, applies TRANSFORM to OUT (no error condition let
// pass) and commits. Exit status 0, or 1 with the failed step and its code.
#include <windows.h>
// msi.h needs the types of windows.h.
#include <msi.h>
#include <msiquery.h>

#include <cstdio>

namespace {

int Fail(const char* step, UINT code) {
  std::printf("apply_transform: %s failed: %u\n", step, code);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::printf("usage: apply_transform DATABASE TRANSFORM OUT\n");
    return 2;
  }
  if (!CopyFileW(argv[1], argv[3], FALSE)) return Fail("CopyFileW", GetLastError());
  MSIHANDLE db = 0;
  UINT r = MsiOpenDatabaseW(argv[3], MSIDBOPEN_TRANSACT, &db);
  if (r != ERROR_SUCCESS) return Fail("MsiOpenDatabaseW", r);
  r = MsiDatabaseApplyTransformW(db, argv[2], 0);
  if (r == ERROR_SUCCESS) r = MsiDatabaseCommit(db);
  MsiCloseHandle(db);
  return r == ERROR_SUCCESS ? 0 : Fail("applying the transform", r);
}
