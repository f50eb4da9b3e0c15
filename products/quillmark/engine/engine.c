// The Quillmark text engine, quillmark.dll: the word count the writer shows in
// its status bar. It needs no C runtime and imports nothing, so it loads in any
// process; its version resource (engine.rc) carries the release's version.
#include <windows.h>

// Words are runs of characters other than blanks and line breaks.
__declspec(dllexport) unsigned QuillmarkCountWords(const wchar_t* text) {
  unsigned words = 0;
  int inWord = 0;
  for (; text && *text; ++text) {
    const int blank = *text == L' ' || *text == L'\t' || *text == L'\r' || *text == L'\n';
    if (!blank && !inWord) ++words;
    inWord = !blank;
  }
  return words;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
