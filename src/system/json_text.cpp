#include "system/json_text.h"

namespace quillmar {
namespace {

// Brackets inside strings do not count; outside strings every bracket does, so for
// a valid text this is exactly its nesting depth. An invalid text fails to parse
// anyway, whatever this says of it.
bool nests_deeper_than(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  bool in_string = false;
  bool escaped = false;
  for (const char c : text) {
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace

nlohmann::json parse_json_text(std::string_view text) {
  // No JSON text holds a NUL byte (not even inside a string, where control
  // characters are escaped), but the library's reader takes one as the end of its
  // input and would accept whatever value came before, with anything after it.
  if (text.find('\0') != std::string_view::npos) return nullptr;
  if (nests_deeper_than(text, kJsonNestingLimit)) return nullptr;
  nlohmann::json value = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) return nullptr;
  return value;
}

}  // namespace quillmar
