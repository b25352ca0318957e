#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quillmar::testing {

// The development release server as a child process on loopback, on PORT (0 picks
// a free one). It is started with ARGUMENTS (after --releases and --port), its
// announced base URL is read from its output, and it is stopped with SIGTERM when
// the object goes away.
class ReleaseServerProcess {
 public:
  ReleaseServerProcess(const std::filesystem::path& releases, const std::vector<std::string>& arguments,
                       int port = 0);
  ~ReleaseServerProcess();
  ReleaseServerProcess(const ReleaseServerProcess&) = delete;
  ReleaseServerProcess& operator=(const ReleaseServerProcess&) = delete;

  const std::string& base_url() const { return base_url_; }
  int port() const { return port_; }
  // Whether it exited with status 0 after SIGTERM (ends the process).
  bool stop_cleanly();

 private:
  pid_t pid_ = -1;
  std::string base_url_;
  int port_ = 0;
};

}  // namespace quillmar::testing
