#include <cstdlib>

#include "support/variables.h"

namespace quillmar::testing {

std::optional<std::filesystem::path::string_type> get_variable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void set_variable(const std::string& name, const std::optional<std::filesystem::path::string_type>& value) {
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
}

}  // namespace quillmar::testing
