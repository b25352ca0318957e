#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillmar::testing {

struct ChildResult {
  int exit_code = -1;  // -1 when the child did not exit normally
  std::string output;  // everything it wrote to standard output
};

// Starts PROGRAM with ARGUMENTS in WORKING_FOLDER (inherited when empty), with this
// process's environment and its standard output into a pipe, whose reading end is
// put in OUTPUT for the caller to read and close. Throws when it cannot start.
pid_t start_child_with_output(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                              const std::filesystem::path& working_folder, int& output);

// Runs PROGRAM with ARGUMENTS in WORKING_FOLDER (inherited when empty), with this
// process's environment, and waits for it.
ChildResult run_child(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder = {});

// A running child that the test talks to line by line: it writes the child's
// standard input and reads its standard output as it comes, for conversations
// whose next message depends on what the child said. The child inherits this
// process's environment; it is killed if still running when the object goes away.
class ChildConversation {
 public:
  ChildConversation(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& working_folder = {});
  ~ChildConversation();
  ChildConversation(const ChildConversation&) = delete;
  ChildConversation& operator=(const ChildConversation&) = delete;

  // Writes TEXT and a line feed to the child's standard input.
  void send_line(const std::string& text);
  // Closes the child's standard input (its end of input).
  void close_input();
  // The next complete output line, waiting at most LIMIT; nothing at the end of
  // the output or when the limit passes.
  std::optional<std::string> next_line(std::chrono::milliseconds limit);
  // Whether the child closed its output and every line of it has been read.
  bool output_ended() const { return output_ended_ && pending_.find('\n') == std::string::npos; }
  // Waits for the child to end and gives its exit code (-1 when it did not exit
  // normally). Output not yet read stays readable through next_line.
  int wait();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;
  bool output_ended_ = false;
  std::optional<int> exit_code_;
};

// The path a CTest ENVIRONMENT entry gives for one of the built programs.
std::filesystem::path program_from_environment(const char* variable);

}  // namespace quillmar::testing
