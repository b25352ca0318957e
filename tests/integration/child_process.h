#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quillmar::testing {

struct ChildResult {
  int exit_code = -1;  // -1 when the child did not exit normally
  std::string output;  // everything it wrote to standard output
};

// Runs PROGRAM with ARGUMENTS in WORKING_FOLDER (inherited when empty), with this
// process's environment, and waits for it.
ChildResult run_child(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder = {});

// The path a CTest ENVIRONMENT entry gives for one of the built programs.
std::filesystem::path program_from_environment(const char* variable);

}  // namespace quillmar::testing
