#include "messages/result_messages.h"

#include "log/run_log.h"
#include "log/run_outcome.h"
#include "messages/catalogue_language.h"
#include "messages/display_text.h"
#include "messages/message_format.h"
#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/message_box.h"
#include "platform/resources.h"

namespace spinstall::messages {
namespace {

constexpr std::size_t kCatalogueChars = 256;
// The options, one line each, are longer than a result message.
constexpr std::size_t kUsageChars = 2048;
constexpr std::size_t kSpareChars = 512;

enum class Argument { None, LastError, ProductName };

struct MessageShape {
  std::uint32_t id;
  Argument argument;
  std::uint32_t caption;
  std::uint32_t style;
};

constexpr std::uint32_t kStopStyle = 0x50010;
constexpr std::uint32_t kInformationStyle = 0x50040;
// Yes (the default button) and No, with the question icon.
constexpr std::uint32_t kQuestionStyle = platform::kButtonsYesNo | platform::kIconQuestion |
                                         platform::kSetForeground | platform::kTopMost;

constexpr MessageShape kShapes[] = {
    {kMsgFailure, Argument::LastError, kCaptionError, kStopStyle},
    {kMsgSuccess, Argument::ProductName, kCaptionSuccess, kInformationStyle},
    {kMsgNotNeeded, Argument::ProductName, kCaptionUnnecessary, kStopStyle},
    {kMsgNoProduct, Argument::None, kCaptionError, kStopStyle},
    {kMsgWrongVersion, Argument::ProductName, kCaptionError, kStopStyle},
    {kMsgBadCommandLine, Argument::None, kCaptionError, kStopStyle},
    {kMsgNoPatchList, Argument::None, kCaptionError, kStopStyle},
};

// Shows the box unless quiet is set, and records it in the run log; the
// button that closed it, 0 when none was shown.
int Present(std::uint32_t id, const std::wstring& text, const std::wstring& caption,
            std::uint32_t style) {
  const bool quiet = Quiet();
  log::Line(L"box " + std::to_wstring(id) +
            (quiet ? L" not shown (quiet)" : L" \"" + caption + L"\"") + L": " + text);
  return quiet ? 0 : platform::ShowMessageBox(text, caption, style);
}

// A catalogue entry, or "Message ID" when no language has it.
std::wstring EntryOrId(std::uint32_t id, std::size_t maxChars) {
  std::wstring text = LoadCatalogueString(id, maxChars);
  return text.empty() ? L"Message " + std::to_wstring(id) : text;
}

}  // namespace

std::wstring& CurrentProductName() {
  static std::wstring name;
  return name;
}

bool& Quiet() {
  static bool quiet = false;
  return quiet;
}

std::wstring LoadCatalogueString(std::uint32_t id, std::size_t maxChars) {
  const std::uint16_t language = ChooseCatalogueLanguage(
      platform::ThreadLocale(), platform::UserDefaultLanguage(), CatalogueLanguages());
  std::wstring text;
  if (!platform::LoadStringEntry(id, language, text) &&
      !platform::LoadStringEntry(id, kEnglish, text))
    return {};
  if (maxChars == 0) return {};
  if (text.size() > maxChars - 1) text.resize(maxChars - 1);
  return text;
}

void ShowResultMessage(std::uint32_t id) {
  // Before any other call can change it.
  const std::uint32_t lastError = platform::LastError();
  if (id == kMsgFailure || id == kMsgNoPatchList) log::NoteFailure(lastError);

  const MessageShape* shape = nullptr;
  for (const auto& s : kShapes)
    if (s.id == id) shape = &s;
  if (!shape) return;

  std::wstring caption = L"Error";
  std::wstring tmpl = LoadCatalogueString(id, kCatalogueChars);
  if (tmpl.empty()) {
    // A catalogue without the entry still shows which message, and its value.
    static const wchar_t* const kFallbackArgument[] = {L"", L": %d", L": %s"};
    tmpl = L"Message " + std::to_wstring(id) + kFallbackArgument[static_cast<int>(shape->argument)];
  }
  const std::size_t bufferChars = tmpl.size() + kSpareChars;
  std::wstring text;
  switch (shape->argument) {
    case Argument::None:
      text = tmpl;
      break;
    case Argument::LastError:
      text = FormatTemplate(tmpl, {}, static_cast<std::int32_t>(lastError), bufferChars);
      break;
    case Argument::ProductName:
      // The installed product's own text: no forged line, no reversed name.
      text = FormatTemplate(tmpl, HarmlessText(CurrentProductName()), 0, bufferChars);
      break;
  }
  if (auto loaded = LoadCatalogueString(shape->caption, kCatalogueChars); !loaded.empty())
    caption = loaded;
  Present(id, text, caption, shape->style);
}

void ShowUsage() {
  Present(kMsgUsage, EntryOrId(kMsgUsage, kUsageChars),
          LoadCatalogueString(kCaptionUsage, kCatalogueChars), kInformationStyle);
}

bool AskRestart() {
  return Present(kMsgRestartQuestion, EntryOrId(kMsgRestartQuestion, kCatalogueChars),
                 LoadCatalogueString(kCaptionRestart, kCatalogueChars),
                 kQuestionStyle) == platform::kAnswerYes;
}

}  // namespace spinstall::messages
