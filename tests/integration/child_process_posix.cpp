#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "integration/child_process.h"

extern char** environ;

namespace quillmar::testing {

ChildResult run_child(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  if (!working_folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());

  std::vector<std::string> argv_text{program.string()};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& text : argv_text) argv.push_back(text.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    throw std::runtime_error("cannot start " + program.string());
  }
  ChildResult result;
  char buffer[4096];
  ssize_t count;
  while ((count = read(pipe_ends[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<std::size_t>(count));
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

std::filesystem::path program_from_environment(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr) throw std::runtime_error(std::string(variable) + " is not set; run this test through CTest");
  return value;
}

}  // namespace quillmar::testing
