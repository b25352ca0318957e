#include "static_tree.h"

#include <unistd.h>

#include <fstream>
#include <system_error>

#include "server/release_parts.h"
#include "system/file_io.h"
#include "system/json_text.h"

namespace fs = std::filesystem;

namespace quillmar::release_server {
namespace {

Error failure(const fs::path& path, const std::string& what, const std::error_code& error) {
  return Error{"cannot " + what + " " + path.string() + ": " + error.message()};
}

// A name beside PATH that no other publisher running at the same time picks.
fs::path temporary_beside(const fs::path& path) {
  return path.parent_path() / ("." + path.filename().string() + ".new-" + std::to_string(getpid()));
}

Result<void> make_parent(const fs::path& path) {
  // A bare file name lives in the working folder, which is there already.
  if (path.parent_path().empty()) return {};
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return failure(path.parent_path(), "make the folder", error);
  return {};
}

// Renames TEMPORARY over TARGET; on failure TEMPORARY goes and TARGET is as it was.
Result<void> rename_into_place(const fs::path& temporary, const fs::path& target) {
  std::error_code error;
  fs::rename(temporary, target, error);
  if (!error) return {};
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return failure(target, "rename a new file to", error);
}

}  // namespace

fs::path static_root(const fs::path& releases) { return releases / kStaticFolder; }

std::string download_path(const Release& release) {
  return std::string(kDownloadPath) + release.sha256 + "/" + release.filename;
}

fs::path static_package_path(const fs::path& releases, const std::string& sha256, const std::string& filename) {
  // kDownloadPath begins with "/", which would make the joined path absolute.
  return static_root(releases) / fs::path(kDownloadPath).relative_path() / sha256 / filename;
}

Result<void> write_by_rename(const fs::path& path, std::string_view bytes) {
  QUILLMAR_TRY(make_parent(path));
  const fs::path temporary = temporary_beside(path);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return Error{"cannot write " + temporary.string()};
    }
  }
  return rename_into_place(temporary, path);
}

Result<void> check_unchanged(const fs::path& path, std::string_view bytes) {
  std::error_code error;
  if (!fs::exists(path, error)) return {};
  const auto existing = read_whole_file(Path(path));
  if (!existing) return Error{"cannot read " + path.string() + ", which is already published"};
  if (*existing != bytes) {
    return Error{path.string() + " is already published with other bytes; a published path never changes"};
  }
  return {};
}

Result<void> publish_package(const fs::path& releases, const fs::path& package, const std::string& sha256,
                             std::string_view bytes) {
  const fs::path target = static_package_path(releases, sha256, package.filename().string());
  QUILLMAR_TRY(check_unchanged(target, bytes));
  std::error_code error;
  if (fs::exists(target, error)) return {};
  QUILLMAR_TRY(make_parent(target));
  // A second name for the same file costs no space. Its content cannot change
  // under the front: the release folder's copy is only ever replaced by rename,
  // which leaves this link on the old file.
  const fs::path temporary = temporary_beside(target);
  fs::create_hard_link(package, temporary, error);
  if (error) return write_by_rename(target, bytes);
  return rename_into_place(temporary, target);
}

Result<void> publish_catalogue(const fs::path& releases, const ReleaseStore& store) {
  return write_by_rename(static_root(releases) / fs::path(kCataloguePath).relative_path(),
                         compact_json(store.catalogue()));
}

}  // namespace quillmar::release_server
