// The information box's list transform on any list.
#include "admin/package_info.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring list = fuzzing::WideText(data, size);
  const std::wstring lines = spinstall::admin::TargetListLines(list);
  fuzzing::Require(lines.size() == list.size());
  std::size_t left = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    // Only ';' may change, and only into a line feed.
    fuzzing::Require(lines[i] == list[i] || (list[i] == L';' && lines[i] == L'\n'));
    left += lines[i] == L';';
  }
  // A ';' stays only when it is the list's only one and stands first.
  fuzzing::Require(left == 0 || (left == 1 && lines[0] == L';'));
  return 0;
}
