#include <windows.h>

#include <stdexcept>

#include "support/file_age.h"
#include "system/handle_win.h"

namespace quillmar::testing {

void make_older(const std::filesystem::path& path, std::chrono::seconds age) {
  const PlatformHandle file = own_handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILETIME written{};
  if (!file || !GetFileTime(win_handle(file), nullptr, nullptr, &written)) {
    throw std::runtime_error("cannot read the write time of " + path.string());
  }
  ULARGE_INTEGER ticks{};  // 100 ns each
  ticks.LowPart = written.dwLowDateTime;
  ticks.HighPart = written.dwHighDateTime;
  ticks.QuadPart -= static_cast<ULONGLONG>(age.count()) * 10'000'000ULL;
  written.dwLowDateTime = ticks.LowPart;
  written.dwHighDateTime = ticks.HighPart;
  if (!SetFileTime(win_handle(file), nullptr, nullptr, &written)) {
    throw std::runtime_error("cannot set the write time of " + path.string());
  }
}

}  // namespace quillmar::testing
