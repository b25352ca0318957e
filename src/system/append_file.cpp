#include "system/append_file.h"

#include <utility>

namespace quillmar {

AppendFile::AppendFile(AppendFile&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kNone);
  }
  return *this;
}

AppendFile::~AppendFile() { close(); }

}  // namespace quillmar
