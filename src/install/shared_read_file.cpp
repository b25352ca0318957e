#include "install/shared_read_file.h"

#include <utility>

namespace quillmar {

SharedReadFile::SharedReadFile(SharedReadFile&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}

SharedReadFile& SharedReadFile::operator=(SharedReadFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kNone);
  }
  return *this;
}

SharedReadFile::~SharedReadFile() { close(); }

}  // namespace quillmar
