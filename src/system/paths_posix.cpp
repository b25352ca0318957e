#include "system/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "system/text.h"

namespace quillmar {
namespace {

std::optional<Path> non_empty_variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return Path(value);
}

}  // namespace

std::optional<Path> local_app_data() {
  if (auto value = non_empty_variable("LOCALAPPDATA")) return value;
  if (auto value = non_empty_variable("XDG_DATA_HOME")) return value;
  if (auto home = non_empty_variable("HOME")) return *home / Path(".local") / Path("share");
  return std::nullopt;
}

Path temp_folder() { return non_empty_variable("TMPDIR").value_or(Path("/tmp")); }

Path public_folder() { return temp_folder(); }

std::optional<Path> own_executable_path() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return Path(std::string(buffer.data(), static_cast<std::size_t>(length)));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string native_to_text(const Path::string_type& text) { return utf8_lossy(text); }

Path path_from_text(const std::string& text) { return Path(text); }

bool is_regular_file_following_links(const Path& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  return S_ISREG(info.st_mode);
}

}  // namespace quillmar
