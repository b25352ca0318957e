#pragma once

#include <string>
#include <vector>

// Each stand-in program implements tool_main; entry_posix.cpp and entry_win.cpp
// hand it the command-line arguments (without the program name) as UTF-8.
int tool_main(const std::vector<std::string>& arguments);
