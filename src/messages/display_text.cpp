#include "messages/display_text.h"

namespace spinstall::messages {
namespace {

// What many viewers show as a line break, or act on as a terminal command.
bool BreaksLines(wchar_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Unicode's Bidi_Control characters: they reorder the text around them
// without being seen themselves.
bool ReordersText(wchar_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::wstring HarmlessText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    if (ReordersText(c)) continue;
    out += BreaksLines(c) ? L' ' : c;
  }
  return out;
}

}  // namespace spinstall::messages
