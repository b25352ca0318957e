#pragma once

#include <string>

namespace quillmar {

// Shows a start-up failure to the user (a message box captioned "Quillmar" with an
// OK button and the error icon; standard error when the host has no display), waits
// until it is closed, and ends the process with exit code 1.
[[noreturn]] void fatal(const std::string& text);

}  // namespace quillmar
