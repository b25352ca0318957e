#include "main/window/web_view_failure.h"

#include "system/text.h"

namespace quillmar {

std::string web_view_failure_text(std::string_view step, std::uint32_t code, std::string_view detail) {
  std::string text(step);
  text += " failed: ";
  text += hex_code_text(code);
  if (!detail.empty()) {
    text += " (";
    text += detail;
    text += ')';
  }
  return text;
}

}  // namespace quillmar
