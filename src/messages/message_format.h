// Filling a message template, bounded by the output buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace spinstall::messages {

// Formats `tmpl` as wsprintfW does for the one argument a catalogue template
// takes: "%s" inserts `text`, "%d" (and "%i") `number` in decimal; a '%'
// before any other character prints that character ("%%" a '%'), and a '%' at
// the end prints nothing. Flags and widths are not supported. The result
// holds at most `bufferChars` - 1 characters: what does not fit is cut.
std::wstring FormatTemplate(std::wstring_view tmpl, std::wstring_view text, std::int32_t number,
                            std::size_t bufferChars);

}  // namespace spinstall::messages
