#include <climits>
#include <cstdlib>
#include <memory>

#include "install/canonical_path.h"
#include "system/os_error.h"

namespace quillmar {

Result<Path> canonical_path(const Path& path) {
  errno = 0;
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return Error{last_os_error_text()};
  return Path(resolved.get());
}

}  // namespace quillmar
