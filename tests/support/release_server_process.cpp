#include "support/release_server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace quillmar::testing {

ReleaseServerProcess::ReleaseServerProcess(const std::filesystem::path& releases,
                                           const std::vector<std::string>& arguments, int port) {
  const char* program = std::getenv("QUILLMAR_RELEASE_SERVER");
  if (program == nullptr) throw std::runtime_error("QUILLMAR_RELEASE_SERVER is not set");
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);

  std::vector<std::string> text{program, "--releases", releases.string(), "--port", std::to_string(port)};
  text.insert(text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& item : text) argv.push_back(item.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    throw std::runtime_error(std::string("cannot start ") + program);
  }

  // The server announces itself in three lines once it listens; the first names
  // the base URL.
  std::string output;
  char buffer[512];
  ssize_t count;
  while (output.find("served key:") == std::string::npos &&
         (count = read(pipe_ends[0], buffer, sizeof buffer)) > 0) {
    output.append(buffer, static_cast<std::size_t>(count));
  }
  close(pipe_ends[0]);
  const std::string marker = "base URL: ";
  const auto start = output.find(marker);
  if (start == std::string::npos) {
    stop_cleanly();
    throw std::runtime_error("the release server did not start: " + output);
  }
  base_url_ = output.substr(start + marker.size(), output.find('\n', start) - start - marker.size());
  port_ = std::stoi(base_url_.substr(base_url_.rfind(':') + 1));
}

bool ReleaseServerProcess::stop_cleanly() {
  if (pid_ <= 0) return false;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ReleaseServerProcess::~ReleaseServerProcess() { stop_cleanly(); }

}  // namespace quillmar::testing
