#include "compound/stream_name.h"

#include <vector>

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

constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

// The UTF-16 units of a UTF-8 name (a broken sequence gives its bytes).
std::vector<unsigned> Units(const std::string& utf8) {
  std::vector<unsigned> units;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const auto next = [&](std::size_t k) {
      return i + k < utf8.size() ? static_cast<unsigned char>(utf8[i + k]) & 0x3Fu : 0u;
    };
    if (c >= 0xE0 && i + 2 < utf8.size()) {
      units.push_back(((c & 0x0Fu) << 12) | (next(1) << 6) | next(2));
      i += 3;
    } else if (c >= 0xC0 && i + 1 < utf8.size()) {
      units.push_back(((c & 0x1Fu) << 6) | next(1));
      i += 2;
    } else {
      units.push_back(c);
      ++i;
    }
  }
  return units;
}

}  // namespace

std::string DecodeStreamName(const std::string& stored, bool& isTable) {
  const std::vector<unsigned> units = Units(stored);
  isTable = !units.empty() && units[0] == 0x4840;
  std::string out;
  for (std::size_t i = isTable ? 1 : 0; i < units.size(); ++i) {
    const unsigned u = units[i];
    if (u >= 0x3800 && u < 0x4800) {
      out.push_back(kAlphabet[(u - 0x3800) & 0x3F]);
      out.push_back(kAlphabet[((u - 0x3800) >> 6) & 0x3F]);
    } else if (u >= 0x4800 && u < 0x4840) {
      out.push_back(kAlphabet[u - 0x4800]);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

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
