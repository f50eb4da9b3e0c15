#include "apply/version_quad.h"

#include <algorithm>

#include "apply/decimal_reading.h"

namespace spinstall::apply {
namespace {

std::uint16_t Field(std::wstring_view text) {
  return static_cast<std::uint16_t>(ReadDecimal(text));
}

}  // namespace

VersionQuad ParseVersionQuad(std::wstring text) {
  std::replace(text.begin(), text.end(), L',', L'.');
  std::wstring_view rest = text;
  VersionQuad quad;
  std::uint16_t* const leading[] = {&quad.major, &quad.minor, &quad.build};
  for (std::uint16_t* field : leading) {
    const auto dot = rest.find(L'.');
    // The last field present need not be followed by a '.': "16.1" is 16.1.0.0.
    *field = Field(rest.substr(0, dot));
    if (dot == std::wstring_view::npos) return quad;
    rest.remove_prefix(dot + 1);
  }
  quad.revision = Field(rest);
  return quad;
}

bool VersionQuadEquals(const VersionQuad& a, const VersionQuad& b) {
  return a.major == b.major && a.minor == b.minor && a.build == b.build && a.revision == b.revision;
}

}  // namespace spinstall::apply
