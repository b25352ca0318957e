#include "install/download_folder.h"

#include <string_view>
#include <system_error>

#include "install/package_file.h"
#include "system/paths.h"
#include "system/random.h"

namespace quillmar {
namespace {

constexpr std::string_view kFolderPrefix = "quillmar-installer-";
constexpr std::size_t kRandomDigits = 16;

bool is_download_folder_name(std::string_view name) {
  if (name.size() != kFolderPrefix.size() + kRandomDigits || name.substr(0, kFolderPrefix.size()) != kFolderPrefix) {
    return false;
  }
  return name.find_first_not_of("0123456789abcdef", kFolderPrefix.size()) == std::string_view::npos;
}

}  // namespace

Result<DownloadFolder> DownloadFolder::create() {
  const std::string digits = QUILLMAR_TRY(random_hex(kRandomDigits / 2));
  const std::filesystem::path temporary = temp_folder();
  // An empty folder would put the package wherever the installer happens to run.
  if (temporary.empty()) return Error{"the user's temporary folder is not known"};
  std::filesystem::path path = temporary / path_from_text(std::string(kFolderPrefix) + digits);
  QUILLMAR_TRY(create_folder_tree(path));
  auto lock = FolderLock::take(path);
  if (!lock) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    return lock.error();
  }
  return DownloadFolder(std::move(path), std::move(lock).value());
}

DownloadFolder::DownloadFolder(DownloadFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_(std::move(other.lock_)) {
  other.path_.clear();
  other.lock_.reset();
}

DownloadFolder::~DownloadFolder() {
  if (path_.empty()) return;
  // The lock goes first: Windows keeps a folder whose file is still open.
  lock_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void remove_abandoned_download_folders() {
  const std::filesystem::path temporary = temp_folder();
  if (temporary.empty()) return;  // never the folder the installer happens to run in
  std::error_code error;
  std::filesystem::directory_iterator entries(temporary, error);
  for (const auto end = std::filesystem::directory_iterator(); !error && entries != end; entries.increment(error)) {
    if (is_download_folder_name(path_to_text(entries->path().filename()))) remove_folder_if_abandoned(entries->path());
  }
}

}  // namespace quillmar
