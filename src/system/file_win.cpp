#include "system/file.h"
#include "system/handle_win.h"
#include "system/os_error.h"

namespace quillmar {
namespace {

// The most one ReadFile or WriteFile call is asked to move.
constexpr DWORD kLargestCall = 0x40000000;

DWORD call_size(std::size_t size) { return size > kLargestCall ? kLargestCall : static_cast<DWORD>(size); }

}  // namespace

Result<File> File::open(const Path& path, Mode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (mode == Mode::kAppend) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA makes every write land at the current
    // end of the file, also when another installer appends to it at the same time.
    access = FILE_APPEND_DATA | SYNCHRONIZE;
    disposition = OPEN_ALWAYS;
  } else if (mode == Mode::kWriteExecutable) {
    access = GENERIC_WRITE;
    disposition = CREATE_ALWAYS;
  }
  PlatformHandle file =
      own_handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Error{last_os_error_text()};
  return File(std::move(file), mode);
}

Result<void> File::write(const void* bytes, std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(win_handle(handle_), next, call_size(size), &written, nullptr)) return Error{last_os_error_text()};
    // A call that succeeds without writing would loop forever; its last error says nothing.
    if (written == 0) return Error{os_error_text(ERROR_WRITE_FAULT)};
    next += written;
    size -= written;
  }
  return {};
}

Result<std::size_t> File::read(char* buffer, std::size_t capacity) {
  DWORD count = 0;
  if (!ReadFile(win_handle(handle_), buffer, call_size(capacity), &count, nullptr)) return Error{last_os_error_text()};
  return static_cast<std::size_t>(count);
}

Result<void> File::seek(std::uint64_t offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(win_handle(handle_), distance, nullptr, FILE_BEGIN)) return Error{last_os_error_text()};
  return {};
}

Result<void> File::flush() {
  if (!FlushFileBuffers(win_handle(handle_))) return Error{last_os_error_text()};
  return {};
}

}  // namespace quillmar
