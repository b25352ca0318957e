#include "system/paths.h"

namespace quillmar {

std::string path_to_text(const std::filesystem::path& path) { return native_to_text(path.native()); }

std::filesystem::path fallback_temp_folder(const std::optional<std::filesystem::path>& local_app_data,
                                           const std::optional<std::filesystem::path>& user_profile) {
  if (local_app_data) return *local_app_data / "Temp";
  if (user_profile) return *user_profile / "AppData" / "Local" / "Temp";
  return {};
}

std::filesystem::path logs_folder() {
  const std::filesystem::path base = local_app_data().value_or(temp_folder());
  return base / path_from_text("Quillmar") / path_from_text("Logs");
}

}  // namespace quillmar
