// UTF-8 (the host's file names, environment and output) to and from wide text.
#pragma once

#include <string>
#include <string_view>

namespace spinstall::platform::host {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace spinstall::platform::host
