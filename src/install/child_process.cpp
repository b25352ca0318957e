#include "install/child_process.h"

#include <utility>

namespace quillmar {

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(std::exchange(other.process_, -1)),
      thread_(std::exchange(other.thread_, -1)),
      ended_(std::exchange(other.ended_, false)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    release();
    process_ = std::exchange(other.process_, -1);
    thread_ = std::exchange(other.thread_, -1);
    ended_ = std::exchange(other.ended_, false);
  }
  return *this;
}

ChildProcess::~ChildProcess() { release(); }

}  // namespace quillmar
