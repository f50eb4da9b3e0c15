// Host names and arguments: decoded strictly, and never changed on the way
// back, whatever bytes they hold.
#include "platform/host/utf8.h"

#include <gtest/gtest.h>

namespace spinstall::platform::host {
namespace {

TEST(Utf8Test, ValidTextDecodesToItsCharacters) {
  EXPECT_EQ(Widen("a\xC3\xA9\xE3\x83\xA9\xF0\x9F\x98\x80"), L"a\u00E9\u30E9\U0001F600");
}

// Overlong forms, encoded surrogates, stray continuations, bytes past U+10FFFF
// and cut-off characters: each byte stands for itself and comes back as it was.
TEST(Utf8Test, InvalidBytesRoundTripAndNeverDecodeToACharacter) {
  for (const std::string bytes : {"sub\xC0\xAF"
                                  "evil.msp",
                                  "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\x80\xBF",
                                  "\xF4\x90\x80\x80", "\xFF\xFE", "\xE3\x83", "end\xC3"}) {
    const std::wstring wide = Widen(bytes);
    EXPECT_EQ(wide.find(L'/'), std::wstring::npos);
    for (wchar_t c : wide) EXPECT_TRUE(c < 0x80 || (c >= 0xDC80 && c <= 0xDCFF)) << bytes;
    EXPECT_EQ(Narrow(wide), bytes);
  }
}

}  // namespace
}  // namespace spinstall::platform::host
