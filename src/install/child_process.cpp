#include "install/child_process.h"

#include <cstdio>

namespace quillmar {

std::string exit_code_text(std::int32_t code) {
  if (code >= 0) return "exit code: " + std::to_string(code);
  char hex[16];
  // Eight hex digits and the prefix always fit, so the count it returns says nothing new.
  (void)std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
  return std::string("exit code: ") + hex;
}

}  // namespace quillmar
