#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

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

// The standard handles a child may inherit: each one that is set, inheritable and
// not already listed (the three are often one console or one pipe).
std::vector<HANDLE> inheritable_standard_handles() {
  std::vector<HANDLE> handles;
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE handle = GetStdHandle(which);
    DWORD flags = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetHandleInformation(handle, &flags) ||
        (flags & HANDLE_FLAG_INHERIT) == 0) {
      continue;
    }
    if (std::find(handles.begin(), handles.end(), handle) == handles.end()) handles.push_back(handle);
  }
  return handles;
}

// The attribute list that limits inheritance to HANDLES.
class HandleListAttribute {
 public:
  static Result<HandleListAttribute> make(std::vector<HANDLE> handles) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    HandleListAttribute attribute(std::move(handles), size);
    if (!InitializeProcThreadAttributeList(attribute.list(), 1, 0, &size)) return Error{last_os_error_text()};
    attribute.initialized_ = true;
    if (!UpdateProcThreadAttribute(attribute.list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, attribute.handles_.data(),
                                   attribute.handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      return Error{last_os_error_text()};
    }
    return attribute;
  }

  HandleListAttribute(HandleListAttribute&& other) noexcept
      : handles_(std::move(other.handles_)), storage_(std::move(other.storage_)), initialized_(other.initialized_) {
    other.initialized_ = false;
  }
  HandleListAttribute& operator=(HandleListAttribute&&) = delete;
  ~HandleListAttribute() {
    if (initialized_) DeleteProcThreadAttributeList(list());
  }

  LPPROC_THREAD_ATTRIBUTE_LIST list() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()); }

 private:
  HandleListAttribute(std::vector<HANDLE> handles, SIZE_T size) : handles_(std::move(handles)), storage_(size) {}

  std::vector<HANDLE> handles_;  // the list points into this, so it lives as long
  std::vector<unsigned char> storage_;
  bool initialized_ = false;
};

// Starts PROGRAM. The child inherits only the standard handles in
// INHERITED_HANDLES, never any other handle this process happens to hold as
// inheritable (a library's pipe or file, a handle of another thread's child).
Result<Started> create_process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                               DWORD flags, const wchar_t* working_folder, std::vector<HANDLE> inherited_handles) {
  // CreateProcessW may write into the command line, so it gets a buffer of its own.
  std::wstring command_line = utf8_to_wide(build_command_line(path_to_text(program), arguments));
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  std::optional<HandleListAttribute> attribute;
  const BOOL inherit = inherited_handles.empty() ? FALSE : TRUE;
  if (inherit) {
    auto made = HandleListAttribute::make(std::move(inherited_handles));
    if (!made) return made.error();
    attribute.emplace(std::move(made).value());
    startup.lpAttributeList = attribute->list();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, inherit, flags, nullptr,
                      working_folder, &startup.StartupInfo, &info)) {
    return Error{last_os_error_text()};
  }
  return Started{info.hProcess, info.hThread};
}

}  // namespace

Result<ChildProcess> ChildProcess::start(const std::filesystem::path& program,
                                         const std::vector<std::string>& arguments) {
  auto started = create_process(program, arguments, 0, nullptr, inheritable_standard_handles());
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
  // The launched application lives on after the installer and needs none of its handles.
  auto started = create_process(program, {}, DETACHED_PROCESS, working_folder.c_str(), {});
  if (!started) return started.error();
  CloseHandle(started.value().thread);
  CloseHandle(started.value().process);
  return {};
}

}  // namespace quillmar
