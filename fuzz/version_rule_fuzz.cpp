// The version-rule split on any property text.
#include "fuzz_input.h"
#include "fuzz_service.h"
#include "package/summary_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzService service;
  service.value = fuzzing::WideText(data, size);
  spinstall::installer::SetActiveService(&service);
  std::wstring upgrade = L"untouched", candidates = L"untouched";
  const bool ok = spinstall::package::ReadVersionRule(L"package.msp", upgrade, candidates);
  spinstall::installer::SetActiveService(nullptr);

  fuzzing::Require(service.open == 0);  // every handle closed
  // The value as read stops at its first terminator.
  const std::wstring value = service.value.substr(0, service.value.find(L'\0'));
  if (ok) {
    fuzzing::Require(!upgrade.empty() && upgrade.find(L';') == std::wstring::npos);
    fuzzing::Require(upgrade + L";" + candidates == value);
  } else {
    fuzzing::Require(upgrade == L"untouched" && candidates == L"untouched");
  }
  return 0;
}
