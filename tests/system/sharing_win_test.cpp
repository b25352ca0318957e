#include <gtest/gtest.h>
#include <windows.h>

#include "support/scratch.h"
#include "system/environment.h"
#include "system/handle_win.h"
#include "system/installer_log.h"
#include "system/paths.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

using testing::read_file;
using testing::ScratchFolder;

PlatformHandle open_with_sharing(const std::filesystem::path& path, DWORD share) {
  return own_handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(LogSharing, ALogHeldExclusivelyElsewhereMeansNoLog) {
  ScratchFolder scratch;
  const PlatformHandle holder = open_with_sharing(scratch.path() / "installer.log", 0);
  ASSERT_TRUE(holder);
  auto log = InstallerLog::open_in(Path(scratch.path()));
  EXPECT_FALSE(log->has_file());
  log->write_log("nowhere to go");
}

TEST(LogSharing, OthersMayReadWriteAndDeleteTheOpenLog) {
  ScratchFolder scratch;
  const auto path = scratch.path() / "installer.log";
  auto log = InstallerLog::open_in(Path(scratch.path()));
  ASSERT_TRUE(log->has_file());
  log->write_log("one");
  {
    // A second installer appending, and a viewer reading, while this one holds it.
    const PlatformHandle other = open_with_sharing(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    EXPECT_TRUE(other);
  }
  log->write_log("two");
  EXPECT_EQ(read_file(path), "one\ntwo\n");
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(OwnPath, ModuleFileNameIsThisProgram) {
  const auto self = own_executable_path();
  ASSERT_TRUE(self.has_value());
  EXPECT_EQ(self->filename(), Path(L"quillmar-windows-tests.exe"));
  EXPECT_TRUE(is_regular_file_following_links(*self));
}

TEST(TempFolder, FallsBackToGetTempPathWhereGetTempPath2IsMissing) {
  const auto folder = temp_folder();
  EXPECT_TRUE(std::filesystem::is_directory(standard_path(folder))) << path_to_text(folder);
  EXPECT_EQ(folder.native().back(), L'\\');
}

TEST(DefaultFolder, UsesLocalAppDataOrUsersPublic) {
  testing::ScopedVariable unset("LOCALAPPDATA", std::nullopt);
  EXPECT_EQ(path_to_text(default_install_folder()), "C:\\Users\\Public\\Programs\\Quillmar");
  testing::ScopedVariable set("LOCALAPPDATA", std::filesystem::path(L"C:\\Users\\u\\AppData\\Local"));
  EXPECT_EQ(path_to_text(default_install_folder()), "C:\\Users\\u\\AppData\\Local\\Programs\\Quillmar");
}

}  // namespace
}  // namespace quillmar
