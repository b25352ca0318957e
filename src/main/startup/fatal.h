#pragma once

#include <string>

namespace quillmar {

// Shows a failure the page cannot show: a message box captioned "Quillmar" with an
// OK button and the error icon (standard error when the host has no display), and
// returns once it is closed.
void show_failure(const std::string& text);

// Shows a start-up failure as show_failure does, waits until it is closed, and ends
// the process with exit code 1.
[[noreturn]] void fatal(const std::string& text);

}  // namespace quillmar
