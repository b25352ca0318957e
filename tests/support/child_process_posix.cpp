#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "support/child_process.h"

extern char** environ;

namespace quillmar::testing {
namespace {

// Starts PROGRAM with ARGUMENTS in WORKING_FOLDER (the current one when empty) and
// the file actions already set up, which it then destroys. The result is
// posix_spawn's.
int spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments,
          const std::filesystem::path& working_folder, posix_spawn_file_actions_t& actions, pid_t& child) {
  if (!working_folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
  std::vector<std::string> argv_text{program.string()};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned;
}

}  // namespace

pid_t start_child_with_output(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                              const std::filesystem::path& working_folder, int& output) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  pid_t child = 0;
  const int spawned = spawn(program, arguments, working_folder, actions, child);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    throw std::runtime_error("cannot start " + program.string());
  }
  output = pipe_ends[0];
  return child;
}

ChildResult run_child(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder) {
  int output = -1;
  const pid_t child = start_child_with_output(program, arguments, working_folder, output);
  ChildResult result;
  char buffer[4096];
  ssize_t count;
  while ((count = read(output, buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<std::size_t>(count));
  close(output);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

ChildConversation::ChildConversation(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                     const std::filesystem::path& working_folder) {
  int to_child[2];
  int from_child[2];
  if (pipe2(to_child, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (pipe2(from_child, O_CLOEXEC) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
  const int spawned = spawn(program, arguments, working_folder, actions, pid_);
  close(to_child[0]);
  close(from_child[1]);
  input_ = to_child[1];
  output_ = from_child[0];
  if (spawned != 0) {
    pid_ = -1;
    close(input_);
    close(output_);
    throw std::runtime_error("cannot start " + program.string());
  }
}

ChildConversation::~ChildConversation() {
  if (input_ >= 0) close(input_);
  if (pid_ > 0 && !exit_code_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) close(output_);
}

void ChildConversation::send_line(const std::string& text) {
  if (input_ < 0) throw std::runtime_error("the child's input is already closed");
  const std::string line = text + "\n";
  std::size_t written = 0;
  // A child that has ended makes the write fail rather than raise SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  while (written < line.size()) {
    const ssize_t count = write(input_, line.data() + written, line.size() - written);
    if (count <= 0) throw std::runtime_error("cannot write to the child");
    written += static_cast<std::size_t>(count);
  }
}

void ChildConversation::close_input() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

std::optional<std::string> ChildConversation::next_line(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (output_ended_) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd wanted{output_, POLLIN, 0};
    if (poll(&wanted, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t count = read(output_, buffer, sizeof buffer);
    if (count <= 0) output_ended_ = true;
    else pending_.append(buffer, static_cast<std::size_t>(count));
  }
}

int ChildConversation::wait() {
  if (!exit_code_) {
    int status = 0;
    waitpid(pid_, &status, 0);
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return *exit_code_;
}

std::filesystem::path program_from_environment(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr) throw std::runtime_error(std::string(variable) + " is not set; run this test through CTest");
  return value;
}

}  // namespace quillmar::testing
