// Every outcome the install driver and the patch-list export report is one
// message ID, shown in a modal box in the thread locale's language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace spinstall::messages {

enum MessageId : std::uint32_t {
  kMsgFailure = 300,
  kMsgSuccess = 301,
  kMsgNotNeeded = 306,
  kMsgNoProduct = 307,
  kMsgWrongVersion = 308,
  kMsgBadCommandLine = 309,
  kMsgNoPatchList = 310,
  kCaptionError = 311,
  kCaptionSuccess = 312,
  kCaptionUnnecessary = 313,
  kMsgUsage = 314,
  kCaptionUsage = 315,
  kMsgRestartQuestion = 316,
  kCaptionRestart = 317,
};

// The product the install driver is reporting on; templates 301, 306 and 308
// print it.
std::wstring& CurrentProductName();

// When set, ShowResultMessage shows nothing; the entry sets it from the
// command line's quiet option before any mode runs.
bool& Quiet();

// One catalogue entry in the language of the thread's locale (falling back as
// ChooseCatalogueLanguage says, then to English), cut to `maxChars` - 1
// characters. Empty when no language has the entry.
std::wstring LoadCatalogueString(std::uint32_t id, std::size_t maxChars);

// Shows the box for one of the IDs 300, 301, 306-310, unless quiet is set.
// Either way the run log records it, and a 300 or 310 counts the last-error
// value as the run's failure.
void ShowResultMessage(std::uint32_t id);

// The box of the command-line options (314) in the user's language, unless
// quiet is set; recorded in the run log either way.
void ShowUsage();

// The question whether to restart the computer now (316, Yes and No) in the
// thread locale's language, unless quiet is set; recorded in the run log
// either way. True only when the user answered Yes.
bool AskRestart();

}  // namespace spinstall::messages
