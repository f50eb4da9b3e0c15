// The message catalogue as tests expect it: the English texts character for
// character, and the built-in entries of every language with their one
// placeholder filled in by plain replacement (not by the program's formatter).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace testsupport {

struct EnglishMessage {
  std::uint32_t id;
  const char* text;
};

// The English (1033) result messages, captions and restart question, as they
// must read.
std::span<const EnglishMessage> EnglishMessages();
// The one for `id`; empty for other IDs.
std::string EnglishText(std::uint32_t id);

// The built-in entry (UTF-8) of `language`; empty when there is none.
std::string CatalogueEntry(std::uint16_t language, std::uint32_t id);

// `tmpl` with its first "%s" or "%d" replaced by `argument`.
std::string FillPlaceholder(const std::string& tmpl, const std::string& argument);

// CatalogueEntry with its placeholder filled in.
std::string CatalogueMessage(std::uint16_t language, std::uint32_t id,
                             const std::string& argument = "");

}  // namespace testsupport
