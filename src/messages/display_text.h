// Text that came from outside the program (an installed product's name or
// version) made harmless before a user or an administrator reads it, in a
// message box or in the run log.
#pragma once

#include <string>
#include <string_view>

namespace spinstall::messages {

// `text` with every control character (C0, DEL, C1: CR, LF, VT, FF, ESC, NEL
// among them) and the line and paragraph separators U+2028 and U+2029 made a
// space, so that no value starts what looks like a line of its own; and every
// bidirectional formatting character (U+061C, U+200E, U+200F, U+202A to
// U+202E, U+2066 to U+2069) removed, so that text shows in the order it is
// stored: "gnp<U+202E>.exe" can no longer pass for "exe.png".
std::wstring HarmlessText(std::wstring_view text);

}  // namespace spinstall::messages
