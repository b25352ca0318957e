#include "support/release_server_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/child_process.h"

namespace quillmar::testing {

ReleaseServerProcess::ReleaseServerProcess(const std::filesystem::path& releases,
                                           const std::vector<std::string>& arguments, int port) {
  std::vector<std::string> all{"--releases", releases.string(), "--port", std::to_string(port)};
  all.insert(all.end(), arguments.begin(), arguments.end());
  int output_end = -1;
  pid_ = start_child_with_output(program_from_environment("QUILLMAR_RELEASE_SERVER"), all, {}, output_end);

  // The server announces itself in three lines once it listens; the first names
  // the base URL.
  std::string output;
  char buffer[512];
  ssize_t count;
  while (output.find("served key:") == std::string::npos &&
         (count = read(output_end, buffer, sizeof buffer)) > 0) {
    output.append(buffer, static_cast<std::size_t>(count));
  }
  close(output_end);
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
