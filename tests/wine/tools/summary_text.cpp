// Test-only: text properties of a package's summary information as msi.dll
// reads them: summary_text PATH PID... prints for each property id
//   PID TEXT        the text, UTF-8, whatever the summary's code page
//   PID - ERROR     when MsiSummaryInfoGetPropertyW fails
#include <windows.h>
// msi.h needs the types of windows.h.
#include <msi.h>
#include <msiquery.h>

#include <cwchar>
#include <string>

#include "utf8_out.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    wine_tools::Write(L"usage: summary_text PATH PID...\n");
    return 2;
  }
  MSIHANDLE summary = 0;
  const UINT opened = MsiGetSummaryInformationW(0, argv[1], 0, &summary);
  if (opened != ERROR_SUCCESS) {
    wine_tools::Write(L"open - " + std::to_wstring(opened) + L"\n");
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const UINT pid = static_cast<UINT>(std::wcstoul(argv[i], nullptr, 10));
    UINT type = 0;
    INT number = 0;
    FILETIME time{};
    wchar_t text[1024];
    DWORD size = 1024;
    const UINT r = MsiSummaryInfoGetPropertyW(summary, pid, &type, &number, &time, text, &size);
    wine_tools::Write(std::wstring(argv[i]) + L" " +
                      (r == ERROR_SUCCESS ? std::wstring(text, size) : L"- " + std::to_wstring(r)) +
                      L"\n");
  }
  MsiCloseHandle(summary);
  return 0;
}
