#include "install/child_process.h"

#include <cstdio>
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

std::string exit_code_text(std::int32_t code) {
  if (code >= 0) return "exit code: " + std::to_string(code);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
  return std::string("exit code: ") + hex;
}

}  // namespace quillmar
