#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillmar {

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> read_whole_file(const std::filesystem::path& path);

}  // namespace quillmar
