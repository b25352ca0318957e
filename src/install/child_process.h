#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// "exit code: 2" in decimal, or, when the highest bit is set (a Windows status such
// as an access violation), "exit code: 0xc0000005" in lowercase hexadecimal.
std::string exit_code_text(std::int32_t code);

// Security software often opens a freshly written executable for a moment to scan
// it, and starting it meanwhile fails with a sharing violation although nothing is
// wrong with it. Such a start is tried again every kStartRetryPause for up to
// kStartRetryLimit; any other failure stands at once.
inline constexpr std::chrono::milliseconds kStartRetryLimit{10000};
inline constexpr std::chrono::milliseconds kStartRetryPause{250};

// One try at starting a process: its result, and whether it failed on a sharing
// violation.
template <typename T>
struct StartTry {
  Result<T> result;
  bool sharing_violation = false;
};

// Calls TRY_START until it succeeds or fails other than on a sharing violation,
// calling SLEEP(PAUSE) between tries; once the pauses add up to LIMIT, the last
// failure stands.
template <typename T, typename TryStart, typename Sleep>
Result<T> retry_start_on_sharing_violation(TryStart try_start, Sleep sleep,
                                           std::chrono::milliseconds limit = kStartRetryLimit,
                                           std::chrono::milliseconds pause = kStartRetryPause) {
  std::chrono::milliseconds waited{0};
  for (;;) {
    StartTry<T> attempt = try_start();
    if (attempt.result || !attempt.sharing_violation || waited >= limit) return std::move(attempt.result);
    sleep(pause);
    waited += pause;
  }
}

// A started child process, owned until it has been waited for: CreateProcessW on
// Windows, posix_spawn with the same argument list on the host. The child inherits
// the environment, the current folder and the standard handles; no window or
// console is asked for. Dropping the owner never stops the child: the setup package
// is never killed by the installer.
class ChildProcess {
 public:
  // Starts PROGRAM with ARGUMENTS, retrying a sharing violation as above. The error
  // text is the OS text.
  static Result<ChildProcess> start(const Path& program, const std::vector<std::string>& arguments);

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ~ChildProcess();

  // Looks without waiting: nothing while the child runs, its exit code once it has
  // ended. The exit code is the signed 32-bit reading of the system's value, so a
  // Windows status such as 0xC0000005 is negative. The error text is the OS text.
  Result<std::optional<std::int32_t>> poll();

  // Waits without a time limit and returns the exit code as poll() does.
  Result<std::int32_t> wait();

 private:
  // The process and thread handles on Windows, the process id on the host.
  struct Started;
  explicit ChildProcess(std::unique_ptr<Started> started);
  std::unique_ptr<Started> started_;
};

// Starts PROGRAM with no arguments in WORKING_FOLDER, detached from the installer
// (no console of its own on Windows, a session of its own on the host), and does not
// wait for it. The error text is the OS text.
Result<void> start_detached(const Path& program, const Path& working_folder);

}  // namespace quillmar
