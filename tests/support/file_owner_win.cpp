#include "support/file_owner.h"

namespace quillmar::testing {

std::optional<std::string> give_to_another_user(const std::filesystem::path&) {
  // Measured under Wine 8: every file reports the running user as its owner, and
  // setting another owner succeeds without changing it.
  return "Wine reports every file as the running user's own";
}

}  // namespace quillmar::testing
