#include <unistd.h>

#include "support/file_owner.h"

namespace quillmar::testing {

std::optional<std::string> give_to_another_user(const std::filesystem::path& path) {
  // 65534 is "nobody" on Debian; any user but this one would do.
  constexpr uid_t kNobody = 65534;
  if (::geteuid() == kNobody) return "the test runs as the user it would give the folder to";
  if (::lchown(path.c_str(), kNobody, kNobody) != 0) return "only root may give a folder to another user";
  return std::nullopt;
}

}  // namespace quillmar::testing
