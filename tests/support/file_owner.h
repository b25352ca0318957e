#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillmar::testing {

// Gives PATH to a user other than the one running the test. Nothing when it did;
// otherwise why this machine cannot (only an administrator may give a file away).
std::optional<std::string> give_to_another_user(const std::filesystem::path& path);

}  // namespace quillmar::testing
