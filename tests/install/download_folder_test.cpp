// The start-up sweep of download folders: what an earlier run left goes, what a
// running installer holds, what is still changing and what is not ours stay.
#include <gtest/gtest.h>

#include <chrono>

#include "install/download_folder.h"
#include "support/file_age.h"
#include "support/scratch.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

TEST(AbandonedDownloadFolders, GoWhenTheirLockIsFreeOrLocklessForAnHourAndTheNameIsOurs) {
  testing::ScratchFolder scratch;
  testing::ScopedVariable tmpdir("TMPDIR", scratch.path());
  testing::ScopedVariable tmp("TMP", scratch.path());
  testing::ScopedVariable temp("TEMP", scratch.path());
  const auto leave = [&](const std::string& name, bool with_lock) {
    testing::write_file(scratch.path() / name / "quillmar-setup-1.5.13.exe", "partial");
    if (with_lock) testing::write_file(scratch.path() / name / kFolderLockName, "");
    return scratch.path() / name;
  };
  const fs::path abandoned = leave("quillmar-installer-00112233445566ff", true);
  const fs::path without_lock = leave("quillmar-installer-0011223344556677", false);
  const fs::path stale_without_lock = leave("quillmar-installer-00112233445566aa", false);
  testing::make_older(stale_without_lock / "quillmar-setup-1.5.13.exe", std::chrono::hours(2));
  testing::make_older(stale_without_lock, std::chrono::hours(2));
  const fs::path other_name = leave("quillmar-installer-0011223344556677x", true);
  auto running = DownloadFolder::create();
  ASSERT_TRUE(running) << running.error().message;
  testing::write_file(standard_path(running.value().path()) / "quillmar-setup-1.5.12.exe", "partial");

  remove_abandoned_download_folders();

  EXPECT_FALSE(fs::exists(abandoned));
  EXPECT_FALSE(fs::exists(stale_without_lock));
  EXPECT_TRUE(fs::exists(without_lock / "quillmar-setup-1.5.13.exe"));
  EXPECT_TRUE(fs::exists(other_name / "quillmar-setup-1.5.13.exe"));
  EXPECT_TRUE(fs::exists(standard_path(running.value().path()) / "quillmar-setup-1.5.12.exe"));
}

}  // namespace
}  // namespace quillmar
