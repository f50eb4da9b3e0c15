#include "messages/message_format.h"

namespace spinstall::messages {

std::wstring FormatTemplate(std::wstring_view tmpl, std::wstring_view text, std::int32_t number,
                            std::size_t bufferChars) {
  std::wstring out;
  if (bufferChars == 0) return out;
  const std::size_t limit = bufferChars - 1;  // room for the terminator
  const auto put = [&](std::wstring_view piece) {
    out.append(piece.substr(0, limit - out.size()));
  };
  for (std::size_t i = 0; i < tmpl.size() && out.size() < limit; ++i) {
    if (tmpl[i] != L'%') {
      put(tmpl.substr(i, 1));
      continue;
    }
    if (i + 1 >= tmpl.size()) break;  // a '%' at the very end prints nothing
    switch (tmpl[i + 1]) {
      case L's':
        put(text);
        ++i;
        break;
      case L'd':
      case L'i':
        put(std::to_wstring(number));
        ++i;
        break;
      default:
        // "%%" and any character without a meaning after a '%': the
        // character itself.
        put(tmpl.substr(i + 1, 1));
        ++i;
    }
  }
  return out;
}

}  // namespace spinstall::messages
