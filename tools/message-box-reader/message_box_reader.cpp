// quillmar-message-box-reader CAPTION OUTPUT [SECONDS]
//
// Waits up to SECONDS (default 60) for a message box titled CAPTION, writes the
// text of its message (UTF-8, exactly as shown) to OUTPUT, then presses OK. Exit
// code 0 when a box was read, 1 when none came, 2 for a bad command line.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "system/file.h"
#include "system/wide_text_win.h"

namespace {

// The message is the box's one static control with text; the icon's static has none.
BOOL CALLBACK take_message_text(HWND child, LPARAM found) {
  wchar_t class_name[16] = L"";
  GetClassNameW(child, class_name, 16);
  if (_wcsicmp(class_name, L"Static") != 0) return TRUE;
  const int length = GetWindowTextLengthW(child);
  if (length == 0) return TRUE;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(child, text.data(), length + 1)));
  *reinterpret_cast<std::wstring*>(found) = text;
  return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) {
    std::fwprintf(stderr, L"usage: quillmar-message-box-reader CAPTION OUTPUT [SECONDS]\n");
    return 2;
  }
  const int seconds = argc == 4 ? _wtoi(argv[3]) : 60;
  for (int attempt = 0; attempt < seconds * 10; ++attempt) {
    // "#32770" is the window class of every dialog box, message boxes included.
    if (HWND box = FindWindowW(L"#32770", argv[1])) {
      std::wstring text;
      EnumChildWindows(box, take_message_text, reinterpret_cast<LPARAM>(&text));
      auto output = quillmar::File::open(quillmar::Path(argv[2]), quillmar::File::Mode::kAppend);
      if (!output || !output.value().write(quillmar::wide_to_utf8(text)).ok()) {
        std::fwprintf(stderr, L"quillmar-message-box-reader: cannot write %ls\n", argv[2]);
        return 2;
      }
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(100);
  }
  std::fwprintf(stderr, L"quillmar-message-box-reader: no message box titled %ls\n", argv[1]);
  return 1;
}
