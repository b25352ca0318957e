#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <thread>

#include "install/child_process.h"
#include "system/os_error.h"

// POSIX leaves declaring environ to the program; glibc declares it only under
// _GNU_SOURCE, which g++ happens to define.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace quillmar {
namespace {

// The argument vector posix_spawn wants: the program, the arguments, a null.
class ArgumentVector {
 public:
  ArgumentVector(const Path& program, const std::vector<std::string>& arguments) : texts_{program.native()} {
    texts_.insert(texts_.end(), arguments.begin(), arguments.end());
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  char* const* get() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

// A wait status as the signed 32-bit code the worker reports. A child killed by a
// signal has no exit code; it reads as 128 plus the signal, as shells report it, so
// it is never mistaken for success.
std::int32_t exit_code_of(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

// A child that is still running when the owner goes is left to run; its exit status
// is collected by the system when the installer ends.
struct ChildProcess::Started {
  pid_t pid;
};

ChildProcess::ChildProcess(std::unique_ptr<Started> started) : started_(std::move(started)) {}
ChildProcess::ChildProcess(ChildProcess&& other) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept = default;
ChildProcess::~ChildProcess() = default;

Result<ChildProcess> ChildProcess::start(const Path& program, const std::vector<std::string>& arguments) {
  ArgumentVector argv(program, arguments);
  pid_t pid = 0;
  // glibc's posix_spawn reports a failed exec as its own result, so a program that
  // cannot be started is an error here, not an exit code of 127.
  const int error = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.get(), environ);
  if (error != 0) return Error{os_error_text(static_cast<unsigned long>(error))};
  return ChildProcess(std::make_unique<Started>(Started{pid}));
}

Result<std::optional<std::int32_t>> ChildProcess::poll() {
  int status = 0;
  for (;;) {
    const pid_t result = waitpid(started_->pid, &status, WNOHANG);
    if (result == 0) return std::optional<std::int32_t>{};
    if (result > 0) return std::optional<std::int32_t>{exit_code_of(status)};
    if (errno != EINTR) return Error{last_os_error_text()};
  }
}

Result<std::int32_t> ChildProcess::wait() {
  int status = 0;
  for (;;) {
    const pid_t result = waitpid(started_->pid, &status, 0);
    if (result > 0) return exit_code_of(status);
    if (errno != EINTR) return Error{last_os_error_text()};
  }
}

Result<void> start_detached(const Path& program, const Path& working_folder) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
  // A session of its own, so the application outlives the installer and its
  // terminal, as a detached process does on Windows.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  ArgumentVector argv(program, {});
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.get(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return Error{os_error_text(static_cast<unsigned long>(error))};
  // Nobody waits for the application; a small thread collects its exit status so
  // it does not linger as a zombie while the installer is still closing.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return {};
}

}  // namespace quillmar
