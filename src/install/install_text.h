#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmar {

// Valid UTF-8 TEXT without the Unicode White_Space characters at either end. The
// byte-order mark U+FEFF is not white space and stays.
std::string_view trim_white_space(std::string_view text);

// "exit code: 2" in decimal, or, when the highest bit is set (a Windows status such
// as an access violation), "exit code: 0xc0000005" in lowercase hexadecimal.
std::string exit_code_text(std::int32_t code);

// The bar while the setup package runs: 95 × (1 − e^(−t/25)) for T seconds since it
// started. It approaches 95 and never reaches it, leaving the jump to 100 for the
// moment the package exits.
double setup_progress_pct(double seconds);

// How the platform spells paths: Windows separates with \ or / and ignores letter
// case; the host separates with / and keeps case.
enum class PathStyle { kWindows, kPosix };
PathStyle native_path_style();

// True when PATH is FOLDER or lies below it, compared component by component, so
// C:\Apps\Quillmar2 is not inside C:\Apps\Quillmar. Both are canonical absolute
// paths as text; empty components (a trailing separator) do not count.
bool is_within_folder(std::string_view path, std::string_view folder, PathStyle style);

}  // namespace quillmar
