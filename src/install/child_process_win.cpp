#include <windows.h>


#include "install/child_process.h"
#include "install/command_line.h"
#include "system/os_error.h"
#include "system/paths.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

HANDLE as_handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

struct Started {
  HANDLE process;
  HANDLE thread;
};

Result<Started> create_process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                               DWORD flags, const wchar_t* working_folder) {
  // CreateProcessW may write into the command line, so it gets a buffer of its own.
  std::wstring command_line = utf8_to_wide(build_command_line(path_to_text(program), arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, flags, nullptr, working_folder,
                      &startup, &info)) {
    return Error{last_os_error_text()};
  }
  return Started{info.hProcess, info.hThread};
}

}  // namespace

Result<ChildProcess> ChildProcess::start(const std::filesystem::path& program,
                                         const std::vector<std::string>& arguments) {
  auto started = create_process(program, arguments, 0, nullptr);
  if (!started) return started.error();
  ChildProcess child;
  child.process_ = reinterpret_cast<std::intptr_t>(started.value().process);
  child.thread_ = reinterpret_cast<std::intptr_t>(started.value().thread);
  return child;
}

void ChildProcess::release() {
  // Closing the handles leaves a running child running.
  if (process_ != -1) CloseHandle(as_handle(process_));
  if (thread_ != -1) CloseHandle(as_handle(thread_));
  process_ = -1;
  thread_ = -1;
}

Result<std::optional<std::int32_t>> ChildProcess::poll() {
  const DWORD result = WaitForSingleObject(as_handle(process_), 0);
  if (result == WAIT_TIMEOUT) return std::optional<std::int32_t>{};
  if (result != WAIT_OBJECT_0) return Error{last_os_error_text()};
  DWORD code = 0;
  if (!GetExitCodeProcess(as_handle(process_), &code)) return Error{last_os_error_text()};
  ended_ = true;
  return std::optional<std::int32_t>{static_cast<std::int32_t>(code)};
}

Result<std::int32_t> ChildProcess::wait() {
  if (WaitForSingleObject(as_handle(process_), INFINITE) != WAIT_OBJECT_0) return Error{last_os_error_text()};
  DWORD code = 0;
  if (!GetExitCodeProcess(as_handle(process_), &code)) return Error{last_os_error_text()};
  ended_ = true;
  return static_cast<std::int32_t>(code);
}

Result<void> start_detached(const std::filesystem::path& program, const std::filesystem::path& working_folder) {
  auto started = create_process(program, {}, DETACHED_PROCESS, working_folder.c_str());
  if (!started) return started.error();
  CloseHandle(started.value().thread);
  CloseHandle(started.value().process);
  return {};
}

}  // namespace quillmar
