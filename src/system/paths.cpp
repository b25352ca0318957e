#include "system/paths.h"

namespace quillmar {

std::string path_to_text(const Path& path) { return native_to_text(path.native()); }

Path fallback_temp_folder(const std::optional<Path>& local_app_data, const std::optional<Path>& user_profile) {
  if (local_app_data) return *local_app_data / path_from_text("Temp");
  if (user_profile) return *user_profile / path_from_text("AppData") / path_from_text("Local") / path_from_text("Temp");
  return {};
}

Path logs_folder() {
  const Path base = local_app_data().value_or(temp_folder());
  return base / path_from_text("Quillmar") / path_from_text("Logs");
}

}  // namespace quillmar
