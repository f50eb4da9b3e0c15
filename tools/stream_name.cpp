#include "stream_name.h"

namespace msptool {

namespace {

int AlphabetIndex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 36;
  if (c == '.') return 62;
  if (c == '_') return 63;
  return -1;
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::string EncodeStreamName(const std::string& name, bool isTable) {
  std::string out;
  if (isTable) AppendUtf8(out, 0x4840);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const int a = AlphabetIndex(name[i]);
    if (a < 0) {
      AppendUtf8(out, static_cast<unsigned char>(name[i]));
      continue;
    }
    const int b = i + 1 < name.size() ? AlphabetIndex(name[i + 1]) : -1;
    if (b >= 0) {
      AppendUtf8(out, 0x3800 + a + (b << 6));
      ++i;
    } else {
      AppendUtf8(out, 0x4800 + a);
    }
  }
  return out;
}

}  // namespace msptool
