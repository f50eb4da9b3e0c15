// The default patch-list name on any target list.
#include "admin/patch_list_export.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring name = spinstall::admin::DefaultListName(fuzzing::WideText(data, size));
  fuzzing::Require(name.size() >= 13 && name.size() <= 17);
  fuzzing::Require(name.compare(0, 9, L"patchlist") == 0);
  fuzzing::Require(name.compare(name.size() - 4, 4, L".txt") == 0);
  return 0;
}
