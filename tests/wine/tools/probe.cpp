// Test-only: asks the real installer service, through the program's own
// discovery and summary-reader functions, about installed products and a
// package file, and prints the answers as UTF-8 lines "<subject> <key> <value>".
//   probe product CODE...   state, installed, VersionString, ProductName, Language
//   probe package PATH      targets, upgrade, candidates (or "<key>-failed <error>")
#include <windows.h>

#include <string>

#include "apply/product_discovery.h"
#include "installer/installer_service.h"
#include "package/summary_reader.h"
#include "utf8_out.h"

namespace {

using wine_tools::Write;

void Line(const std::wstring& subject, const std::wstring& key, const std::wstring& value) {
  Write(subject + L' ' + key + L' ' + value + L'\n');
}

void ProbeProduct(const std::wstring& code) {
  using namespace spinstall;
  Line(code, L"state", std::to_wstring(installer::ActiveService().QueryProductState(code)));
  Line(code, L"installed", apply::IsProductInstalled(code) ? L"yes" : L"no");
  Line(code, L"VersionString", apply::ReadInstalledVersion(code));
  std::wstring name, language;
  apply::ReadNameAndLanguage(code, name, language);
  Line(code, L"ProductName", name);
  Line(code, L"Language", language);
}

void ProbePackage(const std::wstring& path) {
  using namespace spinstall;
  std::wstring targets;
  if (package::ReadTargetList(path, targets)) {
    Line(L"package", L"targets", targets);
  } else {
    Line(L"package", L"targets-failed", std::to_wstring(::GetLastError()));
  }
  std::wstring upgrade, candidates;
  if (package::ReadVersionRule(path, upgrade, candidates)) {
    Line(L"package", L"upgrade", upgrade);
    Line(L"package", L"candidates", candidates);
  } else {
    Line(L"package", L"rule-failed", std::to_wstring(::GetLastError()));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (argc < 3) {
    Write(L"usage: probe product CODE... | probe package PATH\n");
    return 2;
  }
  const std::wstring what = argv[1];
  if (what == L"product") {
    for (int i = 2; i < argc; ++i) ProbeProduct(argv[i]);
  } else if (what == L"package") {
    ProbePackage(argv[2]);
  } else {
    return 2;
  }
  return 0;
}
