// The start-up sweep of download folders: what an earlier run left goes, what a
// running installer holds, what is still changing and what is not ours stay.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <vector>

#include "install/download_folder.h"
#include "support/file_age.h"
#include "support/file_owner.h"
#include "support/scratch.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

// One folder an earlier run might have left in the temporary folder.
struct LeftFolder {
  const char* name;
  bool with_lock;           // a lock file nobody holds
  bool unchanged_for_hours; // the folder and its package untouched for two hours
  bool fresh_file;          // ... except one file written just now
  bool another_users;       // given to another user
  bool kept;
};

constexpr LeftFolder kLeftFolders[] = {
    {"quillmar-installer-00112233445566ff", true, false, false, false, false},
    {"quillmar-installer-0011223344556677", false, false, false, false, true},
    {"quillmar-installer-00112233445566aa", false, true, false, false, false},
    // A run without a lock that is still writing: the folder itself looks old.
    {"quillmar-installer-00112233445566bb", false, true, true, false, true},
    {"quillmar-installer-0011223344556677x", true, false, false, false, true},
    {"quillmar-installer-00112233445566cc", true, false, false, true, true},
};

TEST(AbandonedDownloadFolders, GoWhenTheirLockIsFreeOrLocklessForAnHourAndTheNameIsOurs) {
  testing::ScratchFolder scratch;
  testing::ScopedVariable tmpdir("TMPDIR", scratch.path());
  testing::ScopedVariable tmp("TMP", scratch.path());
  testing::ScopedVariable temp("TEMP", scratch.path());
  std::vector<const LeftFolder*> shown;
  for (const LeftFolder& left : kLeftFolders) {
    const fs::path folder = scratch.path() / left.name;
    testing::write_file(folder / "quillmar-setup-1.5.13.exe", "partial");
    if (left.with_lock) testing::write_file(folder / kFolderLockName, "");
    if (left.unchanged_for_hours) testing::make_older(folder / "quillmar-setup-1.5.13.exe", std::chrono::hours(2));
    if (left.fresh_file) testing::write_file(folder / "quillmar-setup-1.5.13.log", "written now");
    if (left.unchanged_for_hours) testing::make_older(folder, std::chrono::hours(2));
    if (left.another_users) {
      if (const auto cannot = testing::give_to_another_user(folder)) {
        std::cout << "not shown here, " << left.name << ": " << *cannot << "\n";
        fs::remove_all(folder);
        continue;
      }
    }
    shown.push_back(&left);
  }
  auto running = DownloadFolder::create();
  ASSERT_TRUE(running) << running.error().message;
  testing::write_file(standard_path(running.value().path()) / "quillmar-setup-1.5.12.exe", "partial");

  remove_abandoned_download_folders();

  for (const LeftFolder* left : shown) {
    const fs::path folder = scratch.path() / left->name;
    EXPECT_EQ(fs::exists(left->kept ? folder / "quillmar-setup-1.5.13.exe" : folder), left->kept) << left->name;
  }
  EXPECT_TRUE(fs::exists(standard_path(running.value().path()) / "quillmar-setup-1.5.12.exe"));
}

}  // namespace
}  // namespace quillmar
