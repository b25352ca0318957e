#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillmar {

// The version rule: two to four parts separated by ".", each one to five ASCII
// digits. Used for the requested version, the install message and the releases
// offered, so all three agree on what a version is.
bool matches_version_rule(std::string_view text);

// The release an installer was downloaded for, read from its own file name:
// "Quillmar_Installer_1.4.2.exe" names 1.4.2. The marker is found in any letter
// case; the digits and dots after it are taken as written, trailing dots dropped.
std::optional<std::string> requested_version_from_file_name(std::string_view file_name);

}  // namespace quillmar
