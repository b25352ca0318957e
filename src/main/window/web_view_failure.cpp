#include "main/window/web_view_failure.h"

namespace quillmar {

std::string web_view_failure_text(std::string_view step, std::uint32_t code, std::string_view detail) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(step);
  text += " failed: 0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(code >> shift) & 0xF];
  if (!detail.empty()) {
    text += " (";
    text += detail;
    text += ')';
  }
  return text;
}

}  // namespace quillmar
