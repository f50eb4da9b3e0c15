// Any file through msp_tool's compound file reader (libgsf) and the patch
// shape inspection of what it read, as "check" runs them.
#include "checks/patch_shape.h"
#include "compound/reader.h"
#include "fuzz_input.h"
#include "tool_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzing::InputFile(data, size);
  msptool::CompoundEntry root;
  std::string error;
  if (!msptool::ReadCompound(path, root, error)) {
    fuzzing::Require(!error.empty());
    return 0;
  }
  // The transform list names every storage of the root, as property 8 would.
  std::string transforms;
  for (const auto& child : root.children)
    if (child.isStorage) transforms += (transforms.empty() ? ":" : ";:") + child.name;
  const auto shape =
      msptool::InspectPatchShape(root, transforms, "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}");
  fuzzing::Require(!shape.report.empty());
  for (const auto& problem : shape.problems) fuzzing::Require(!problem.empty());
  return 0;
}
