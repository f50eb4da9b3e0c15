// The version-quad reader on any text.
#include "apply/version_quad.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = fuzzing::WideText(data, size);
  const auto quad = spinstall::apply::ParseVersionQuad(text);
  fuzzing::Require(spinstall::apply::VersionQuadEquals(quad, quad));
  // Commas read as dots, so swapping them cannot change the reading.
  std::wstring dotted = text;
  for (auto& c : dotted)
    if (c == L',') c = L'.';
  fuzzing::Require(
      spinstall::apply::VersionQuadEquals(quad, spinstall::apply::ParseVersionQuad(dotted)));
  return 0;
}
