#include "support/scratch.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "support/variables.h"
#include "system/file_io.h"
#include "system/paths.h"
#include "system/standard_path.h"

namespace quillmar::testing {

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("quillmar-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

ScopedVariable::ScopedVariable(std::string name, const std::optional<Path>& value)
    : name_(std::move(name)), previous_(get_variable(name_)) {
  set_variable(name_, value ? std::optional(value->native()) : std::nullopt);
}

ScopedVariable::~ScopedVariable() { set_variable(name_, previous_); }

std::string read_file(const Path& path) {
  auto content = read_whole_file(path);
  if (!content) throw std::runtime_error("cannot read " + path_to_text(path));
  return std::move(*content);
}

void write_file(const Path& path, const std::string& bytes) {
  std::filesystem::create_directories(standard_path(path.parent_path()));
  std::ofstream out(standard_path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path_to_text(path));
}

}  // namespace quillmar::testing
