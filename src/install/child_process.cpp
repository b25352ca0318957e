#include "install/child_process.h"

#include "system/text.h"

namespace quillmar {

std::string exit_code_text(std::int32_t code) {
  if (code >= 0) return "exit code: " + std::to_string(code);
  return "exit code: " + hex_code_text(static_cast<std::uint32_t>(code));
}

}  // namespace quillmar
