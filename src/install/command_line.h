#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillmar {

// One argument written so that CommandLineToArgvW (and the C runtime's parser, which
// follows the same rules) gives it back unchanged: enclosed in double quotes when it
// holds a space or a tab or is empty; a double quote written as \"; backslashes that
// precede a double quote, or the closing quote, doubled; other backslashes kept.
std::string quote_argument(std::string_view argument);

// A whole command line for CreateProcessW: the program in double quotes, then each
// argument after one space, quoted as above. Built the same way on every platform so
// that the rules are tested on the host too.
std::string build_command_line(std::string_view program, const std::vector<std::string>& arguments);

}  // namespace quillmar
