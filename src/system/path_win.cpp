#include "system/path.h"

namespace quillmar {

bool Path::is_separator(value_type character) { return character == L'\\' || character == L'/'; }

Path::value_type Path::preferred_separator() { return L'\\'; }

std::size_t Path::root_length(const string_type& text) {
  std::size_t length = 0;
  if (text.size() >= 2 && text[1] == L':') {
    length = 2;  // a drive: "C:"
  } else if (text.size() > 2 && is_separator(text[0]) && is_separator(text[1]) && !is_separator(text[2])) {
    // A server, "\\server", or a device or long-path prefix such as "\\?".
    length = 2;
    while (length < text.size() && !is_separator(text[length])) ++length;
  }
  while (length < text.size() && is_separator(text[length])) ++length;
  return length;
}

}  // namespace quillmar
