#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "install/child_process.h"
#include "install/command_line.h"
#include "system/handle_win.h"
#include "system/os_error.h"
#include "system/paths.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

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
// FAILURE, when given, receives the system's error code of a failed CreateProcessW.
Result<PROCESS_INFORMATION> create_process(const Path& program, const std::vector<std::string>& arguments, DWORD flags,
                                           const wchar_t* working_folder, std::vector<HANDLE> inherited_handles,
                                           DWORD* failure = nullptr) {
  // CreateProcessW may write into the command line, so it gets a buffer of its own.
  std::wstring command_line = utf8_to_wide(build_command_line(path_to_text(program), arguments));
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  std::optional<HandleListAttribute> attribute;
  const BOOL inherit = inherited_handles.empty() ? FALSE : TRUE;
  if (inherit) {
    auto made = QUILLMAR_TRY(HandleListAttribute::make(std::move(inherited_handles)));
    attribute.emplace(std::move(made));
    startup.lpAttributeList = attribute->list();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, inherit, flags, nullptr,
                      working_folder, &startup.StartupInfo, &info)) {
    const DWORD error = GetLastError();
    if (failure) *failure = error;
    return Error{error == 0 ? last_os_error_text() : os_error_text(error)};
  }
  return info;
}

}  // namespace

// Closing the handles leaves a running child running.
struct ChildProcess::Started {
  PlatformHandle process;
  PlatformHandle thread;
};

ChildProcess::ChildProcess(std::unique_ptr<Started> started) : started_(std::move(started)) {}
ChildProcess::ChildProcess(ChildProcess&& other) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept = default;
ChildProcess::~ChildProcess() = default;

Result<ChildProcess> ChildProcess::start(const Path& program, const std::vector<std::string>& arguments) {
  const PROCESS_INFORMATION info = QUILLMAR_TRY(retry_start_on_sharing_violation<PROCESS_INFORMATION>(
      [&] {
        DWORD failure = 0;
        auto started = create_process(program, arguments, 0, nullptr, inheritable_standard_handles(), &failure);
        return StartTry<PROCESS_INFORMATION>{std::move(started), failure == ERROR_SHARING_VIOLATION};
      },
      [](std::chrono::milliseconds pause) { Sleep(static_cast<DWORD>(pause.count())); }));
  return ChildProcess(std::make_unique<Started>(Started{own_handle(info.hProcess), own_handle(info.hThread)}));
}

Result<std::optional<std::int32_t>> ChildProcess::poll() {
  const HANDLE process = win_handle(started_->process);
  const DWORD result = WaitForSingleObject(process, 0);
  if (result == WAIT_TIMEOUT) return std::optional<std::int32_t>{};
  if (result != WAIT_OBJECT_0) return Error{last_os_error_text()};
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return Error{last_os_error_text()};
  return std::optional<std::int32_t>{static_cast<std::int32_t>(code)};
}

Result<std::int32_t> ChildProcess::wait() {
  const HANDLE process = win_handle(started_->process);
  if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return Error{last_os_error_text()};
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return Error{last_os_error_text()};
  return static_cast<std::int32_t>(code);
}

Result<void> start_detached(const Path& program, const Path& working_folder) {
  // The launched application lives on after the installer and needs none of its handles.
  const PROCESS_INFORMATION info = QUILLMAR_TRY(create_process(program, {}, DETACHED_PROCESS, working_folder.c_str(), {}));
  // Owned only to be closed: the application is not waited for.
  const PlatformHandle process = own_handle(info.hProcess);
  const PlatformHandle thread = own_handle(info.hThread);
  return {};
}

}  // namespace quillmar
