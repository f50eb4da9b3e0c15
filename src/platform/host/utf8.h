// UTF-8 (the host's file names, environment and output) to and from wide text.
// Decoding is strict and loses nothing: a byte that does not begin a valid,
// shortest-form character becomes U+DC80 plus the byte, and encoding turns
// exactly those back into the byte, so any name round-trips unchanged.
#pragma once

#include <string>
#include <string_view>

namespace spinstall::platform::host {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace spinstall::platform::host
