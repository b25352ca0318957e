#include "system/environment.h"

#include "system/paths.h"
#include "system/product.h"
#include "system/registry.h"
#include "system/uninstall_record.h"
#include "system/version_rule.h"

namespace quillmar {
namespace {

// Windows writes InstallLocation with or without a final separator; the folder is
// the same either way.
NativeString without_trailing_backslashes(NativeString folder) {
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::optional<std::string> requested_version() {
  const auto executable = own_executable_path();
  if (!executable || !executable->has_filename()) return std::nullopt;
  return requested_version_from_file_name(path_to_text(executable->filename()));
}

}  // namespace

std::optional<InstalledCopy> find_installed_copy() {
  const auto values = read_user_string_values(kUninstallRecordKey, {"DisplayVersion", "InstallLocation"});
  if (!values) return std::nullopt;
  const Path folder(without_trailing_backslashes((*values)[1]));
  if (!is_regular_file_following_links(folder / path_from_text(kApplicationFileName))) return std::nullopt;
  return InstalledCopy{folder, native_to_text((*values)[0])};
}

Path default_install_folder() {
  return local_app_data().value_or(public_folder()) / path_from_text("Programs") / path_from_text("Quillmar");
}

InstallerEnvironment discover_environment() {
  InstallerEnvironment environment;
  environment.installed = find_installed_copy();
  environment.dir = environment.installed ? environment.installed->dir : default_install_folder();
  environment.requested_version = requested_version();
  return environment;
}

}  // namespace quillmar
