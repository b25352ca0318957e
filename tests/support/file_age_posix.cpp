#include "support/file_age.h"

namespace quillmar::testing {

void make_older(const std::filesystem::path& path, std::chrono::seconds age) {
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - age);
}

}  // namespace quillmar::testing
