#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillmar::testing {

// The process environment as the code under test reads it (getenv on the host,
// GetEnvironmentVariableW on Windows).
std::optional<std::filesystem::path::string_type> get_variable(const std::string& name);
void set_variable(const std::string& name, const std::optional<std::filesystem::path::string_type>& value);

}  // namespace quillmar::testing
