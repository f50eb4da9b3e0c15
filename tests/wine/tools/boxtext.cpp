// Test-only: describes the one visible message box on the desktop, so the Wine
// harness gets its full text (Wine's message-box trace cuts long texts).
// Output (UTF-8): line 1 the caption, line 2 the text escaped as Wine's debug
// channel writes it (to compare with the trace), then the text itself, exactly,
// to the end. The icon and style come from the trace of the MessageBoxW call.
// Exit status: 0 one box described, 1 no box, 2 more than one box.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "utf8_out.h"

namespace {

constexpr int kTextControlId = 0xFFFF;

BOOL CALLBACK CollectBox(HWND window, LPARAM boxes) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (::IsWindowVisible(window) && std::wcscmp(className, L"#32770") == 0) {
    reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(window);
  }
  return TRUE;
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// The form of Wine's debugstr_w, without the quotes: other characters below
// ' ' or above '~' as a backslash and four lower-case hexadecimal digits.
std::wstring EscapeAsWineTrace(const std::wstring& text) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring out;
  for (const wchar_t c : text) {
    switch (c) {
      case L'\n':
        out += L"\\n";
        break;
      case L'\r':
        out += L"\\r";
        break;
      case L'\t':
        out += L"\\t";
        break;
      case L'"':
        out += L"\\\"";
        break;
      case L'\\':
        out += L"\\\\";
        break;
      default:
        if (c < L' ' || c >= 127) {
          out += L'\\';
          for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace

int wmain() {
  std::vector<HWND> boxes;
  ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
  if (boxes.empty()) return 1;
  if (boxes.size() > 1) return 2;
  const HWND box = boxes.front();
  const HWND textControl = ::GetDlgItem(box, kTextControlId);
  const std::wstring text = textControl ? WindowText(textControl) : std::wstring();
  wine_tools::Write(WindowText(box) + L'\n' + EscapeAsWineTrace(text) + L'\n' + text);
  return 0;
}
