#include "install/command_line.h"

namespace quillmar {

std::string quote_argument(std::string_view argument) {
  const bool enclose = argument.empty() || argument.find_first_of(" \t") != std::string_view::npos;
  std::string out;
  out.reserve(argument.size() + 2);
  if (enclose) out += '"';
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a double quote follows them; then each one
    // must be doubled, and the quote itself escaped by one more.
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  // Trailing backslashes precede the closing quote when there is one.
  out.append(enclose ? backslashes * 2 : backslashes, '\\');
  if (enclose) out += '"';
  return out;
}

std::string build_command_line(std::string_view program, const std::vector<std::string>& arguments) {
  // A program path never holds a double quote on Windows, so plain enclosing is
  // enough; it stops the system from splitting a path with spaces.
  std::string line = "\"";
  line += program;
  line += '"';
  for (const std::string& argument : arguments) {
    line += ' ';
    line += quote_argument(argument);
  }
  return line;
}

}  // namespace quillmar
