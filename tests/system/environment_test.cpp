#include <gtest/gtest.h>

#include "support/scratch.h"
#include "system/environment.h"
#include "system/paths.h"
#include "system/product.h"
#include "system/registry.h"
#include "system/standard_path.h"
#include "system/uninstall_record.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using testing::ScopedVariable;
using testing::ScratchFolder;

// Every case runs with its own local data folder, so the registry stand-in on the
// host lives in the scratch folder too; on Windows the record is the real HKCU key.
class Discovery : public ::testing::Test {
 protected:
  Discovery() : local_("LOCALAPPDATA", scratch_.path() / "Local") { (void)delete_user_key(kUninstallRecordKey); }
  ~Discovery() override { (void)delete_user_key(kUninstallRecordKey); }

  void write_record(const std::string& version, const fs::path::string_type& location) {
    ASSERT_TRUE(write_user_string_value(kUninstallRecordKey, "DisplayVersion", path_from_text(version).native()));
    ASSERT_TRUE(write_user_string_value(kUninstallRecordKey, "InstallLocation", location));
  }

  fs::path make_installed_folder(const std::string& name) {
    const fs::path folder = scratch_.path() / name;
    testing::write_file(folder / kApplicationFileName, "application");
    return folder;
  }

  ScratchFolder scratch_;
  ScopedVariable local_;
};

TEST_F(Discovery, NoRecordOffersTheDefaultFolder) {
  const InstallerEnvironment environment = discover_environment();
  EXPECT_FALSE(environment.installed.has_value());
  EXPECT_EQ(environment.dir, Path(scratch_.path() / "Local" / "Programs" / "Quillmar"));
}

TEST_F(Discovery, RecordWithTheExecutableOffersItsFolderAndVersionAsStored) {
  const fs::path folder = make_installed_folder("Installed Copy");
  write_record(" 1.5.13-beta \xE2\x86\x92 ", folder.native());
  const InstallerEnvironment environment = discover_environment();
  ASSERT_TRUE(environment.installed.has_value());
  EXPECT_EQ(environment.installed->dir, Path(folder));
  EXPECT_EQ(environment.installed->version, " 1.5.13-beta \xE2\x86\x92 ");
  EXPECT_EQ(environment.dir, Path(folder));
}

TEST_F(Discovery, TrailingBackslashesOfTheLocationAreDropped) {
  const fs::path folder = make_installed_folder("Apps");
  write_record("1.5.13", folder.native() + fs::path::string_type(2, '\\'));
  const auto installed = find_installed_copy();
  ASSERT_TRUE(installed.has_value());
  EXPECT_EQ(installed->dir.native(), folder.native());
}

TEST_F(Discovery, RejectsARecordWhoseExecutableIsMissingOrAFolder) {
  const fs::path remnant = scratch_.path() / "Remnant";
  fs::create_directories(remnant);
  write_record("1.5.13", remnant.native());
  EXPECT_FALSE(find_installed_copy().has_value());

  fs::create_directories(remnant / kApplicationFileName);
  EXPECT_FALSE(find_installed_copy().has_value());
}

TEST_F(Discovery, RejectsARecordMissingAValue) {
  const fs::path folder = make_installed_folder("Half");
  ASSERT_TRUE(write_user_string_value(kUninstallRecordKey, "InstallLocation", folder.native()));
  EXPECT_FALSE(find_installed_copy().has_value());
}

TEST_F(Discovery, AcceptsASymbolicLinkToTheExecutableButNotADanglingOne) {
  const fs::path real = make_installed_folder("Real");
  const fs::path linked = scratch_.path() / "Linked";
  fs::create_directories(linked);
  std::error_code error;
  fs::create_symlink(real / kApplicationFileName, linked / kApplicationFileName, error);
  if (error) GTEST_SKIP() << "this system cannot make symbolic links here: " << error.message();
  write_record("1.5.13", linked.native());
  ASSERT_TRUE(find_installed_copy().has_value());

  fs::remove(real / kApplicationFileName);
  EXPECT_FALSE(find_installed_copy().has_value());
}

TEST(DefaultFolder, WithoutLocalAppDataFallsBackToThePublicFolder) {
  ScopedVariable local("LOCALAPPDATA", std::nullopt);
  ScopedVariable xdg("XDG_DATA_HOME", std::nullopt);
  ScopedVariable home("HOME", std::nullopt);
  EXPECT_EQ(default_install_folder(), Path(standard_path(public_folder()) / "Programs" / "Quillmar"));
}

TEST(TempFolderFallback, StaysInsideTheUsersOwnProfile) {
  const fs::path local = fs::path("C:") / "Users" / "ann" / "AppData" / "Local";
  const fs::path profile = fs::path("C:") / "Users" / "ann";
  struct Case {
    std::optional<fs::path> local_app_data;
    std::optional<fs::path> user_profile;
    fs::path expected;
  };
  const Case cases[] = {
      {local, profile, local / "Temp"},
      {std::nullopt, profile, profile / "AppData" / "Local" / "Temp"},
      // Nothing of the user's is known: no folder rather than a shared one.
      {std::nullopt, std::nullopt, fs::path()},
  };
  const auto as_path = [](const std::optional<fs::path>& path) { return path ? std::optional(Path(*path)) : std::nullopt; };
  for (const Case& test : cases) {
    EXPECT_EQ(fallback_temp_folder(as_path(test.local_app_data), as_path(test.user_profile)), Path(test.expected))
        << test.expected;
  }
}

}  // namespace
}  // namespace quillmar
