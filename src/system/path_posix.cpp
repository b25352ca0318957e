#include "system/path.h"

namespace quillmar {

bool Path::is_separator(value_type character) { return character == '/'; }

Path::value_type Path::preferred_separator() { return '/'; }

std::size_t Path::root_length(const string_type& text) {
  std::size_t length = 0;
  while (length < text.size() && is_separator(text[length])) ++length;
  return length;
}

}  // namespace quillmar
