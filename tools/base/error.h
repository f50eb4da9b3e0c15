// The one error convention of msp_tool: a step that can fail returns true
// when it succeeds, and otherwise false with `error` set to one message that
// names the value at fault (the caller may put the file's name before it).
// A check that gathers several findings returns them in a report instead.
#pragma once

#include <string>
#include <utility>

namespace msptool {

// Sets `error` to `message` and returns false: `return Refuse(error, ...);`.
inline bool Refuse(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

}  // namespace msptool
