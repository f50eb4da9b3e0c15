// Texts in the code pages the installer reads them in. msp_tool's own texts
// (titles, descriptions from the command line or a definition) are UTF-8;
// a summary stream stores its strings in the code page its property 1 names
// (page "Codepage Summary property": used "to translate the strings in the
// summary information into Unicode"), a database in its string pool's.
// Supported: 1252 (Western), 65001 (UTF-8) and 0 (neutral: ASCII only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

inline constexpr std::uint32_t kNeutralCodePage = 0;
inline constexpr std::uint32_t kWesternCodePage = 1252;
inline constexpr std::uint32_t kUtf8CodePage = 65001;

bool IsSupportedCodePage(std::uint32_t codePage);

// `utf8` in code page `codePage` into `out`; false when the text is not
// UTF-8, the code page is not supported, or it has no character of the text.
bool EncodeText(const std::string& utf8, std::uint32_t codePage, std::string& out);

// Text stored in code page `codePage` as UTF-8; false when the code page is
// not supported (ASCII passes in any code page) or the bytes are not text in it.
bool DecodeText(const std::string& stored, std::uint32_t codePage, std::string& out);

// The first code page of `candidates` that holds every one of the UTF-8
// `texts`, in `codePage`; false, with `unheld` the text the last candidate
// cannot hold, when none does.
bool CodePageHolding(const std::vector<std::string>& texts,
                     const std::vector<std::uint32_t>& candidates, std::uint32_t& codePage,
                     std::string& unheld);

}  // namespace msptool
