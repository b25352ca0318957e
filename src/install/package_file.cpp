#include "install/package_file.h"

#include <utility>

namespace quillmar {

PackageFile::PackageFile(PackageFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)),
      written_(std::exchange(other.written_, 0)),
      written_back_(std::exchange(other.written_back_, 0)) {}

PackageFile& PackageFile::operator=(PackageFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kNone);
    written_ = std::exchange(other.written_, 0);
    written_back_ = std::exchange(other.written_back_, 0);
  }
  return *this;
}

PackageFile::~PackageFile() { close(); }

}  // namespace quillmar
