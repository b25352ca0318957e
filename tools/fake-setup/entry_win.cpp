#include <windows.h>

#include "system/wide_text_win.h"
#include "tool_main.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(quillmar::wide_to_utf8(argv[i]));
  return tool_main(arguments);
}
