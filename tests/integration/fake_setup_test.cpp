#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/scratch.h"
#include "system/environment.h"
#include "system/paths.h"
#include "system/registry.h"
#include "system/uninstall_record.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using testing::program_from_environment;
using testing::read_file;
using testing::run_child;
using testing::ScopedVariable;
using testing::ScratchFolder;

// The stand-in setup package as the installer drives it: packaged from a folder,
// run with the ten switches, then checked by discovery and by the application.
class FakeSetup : public ::testing::Test {
 protected:
  FakeSetup()
      : local_("LOCALAPPDATA", scratch_.path() / "Local"),
        home_("HOME", scratch_.path() / "home"),
        data_("XDG_DATA_HOME", scratch_.path() / "data"),
        desktop_("XDG_DESKTOP_DIR", std::nullopt),
        display_("DISPLAY", std::nullopt),
        wayland_("WAYLAND_DISPLAY", std::nullopt) {
    testing::write_file(scratch_.path() / "content" / "data" / "readme.txt", "read me\n");
    testing::write_file(scratch_.path() / "content" / "lib" / "core.bin", std::string("\0\1\2core", 7));
  }

  fs::path package(const std::string& version, const std::vector<std::string>& faults = {}) {
    const fs::path output = scratch_.path() / ("setup-" + std::to_string(packages_++) + ".exe");
    std::vector<std::string> arguments = {"--stub", program_from_environment("QUILLMAR_FAKE_SETUP_STUB").string(),
                                          "--app",  program_from_environment("QUILLMAR_FAKE_APP").string(),
                                          "--version", version,
                                          "--from", (scratch_.path() / "content").string(),
                                          "--out", output.string()};
    arguments.insert(arguments.end(), faults.begin(), faults.end());
    const auto result = run_child(program_from_environment("QUILLMAR_PACKAGE_RELEASE"), arguments);
    EXPECT_EQ(result.exit_code, 0) << result.output;
    return output;
  }

  // Files the stand-in as release 1.5.13 into RELEASES.
  static testing::ChildResult publish(const fs::path& releases, const std::string& published_at) {
    return run_child(program_from_environment("QUILLMAR_PACKAGE_RELEASE"),
                     {"--stub", program_from_environment("QUILLMAR_FAKE_SETUP_STUB").string(), "--app",
                      program_from_environment("QUILLMAR_FAKE_APP").string(), "--version", "1.5.13", "--releases",
                      releases.string(), "--published-at", published_at});
  }

  std::vector<std::string> switches(const std::string& tasks) const {
    return {"/SP-", "/VERYSILENT", "/SUPPRESSMSGBOXES", "/NORESTART", "/CLOSEAPPLICATIONS", "/CURRENTUSER",
            "/SKIPBROWSERSETUP", "/DIR=" + target_.string(), "/TASKS=" + tasks, "/LOG=" + log_.string()};
  }

  ScratchFolder scratch_;
  ScopedVariable local_, home_, data_, desktop_, display_, wayland_;
  const fs::path target_ = scratch_.path() / "Programs" / "Quillmar Test";
  const fs::path log_ = scratch_.path() / "installer-setup.log";
  int packages_ = 0;
};

TEST_F(FakeSetup, InstallsLogsRecordsAndPassesItsOwnIntegrityCheck) {
  const fs::path setup = package("2.1.0");
  const auto run = run_child(setup, switches("desktopicon,startmenuicon"));
  ASSERT_EQ(run.exit_code, 0);

  EXPECT_EQ(read_file(target_ / "data" / "readme.txt"), "read me\n");
  EXPECT_EQ(read_file(target_ / "lib" / "core.bin"), std::string("\0\1\2core", 7));
  EXPECT_EQ(read_file(target_ / "version.txt"), "2.1.0\r\n");
  EXPECT_EQ(read_file(target_ / "quillmar.exe"), read_file(program_from_environment("QUILLMAR_FAKE_APP")));

  const std::string log = read_file(log_);
  for (const char* name : {"quillmar.exe", "data/readme.txt", "lib/core.bin", "version.txt"}) {
    EXPECT_NE(log.find("Dest filename: " + (target_ / name).string() + "\r\n"), std::string::npos) << name;
  }
  std::size_t lines = 0;
  for (std::size_t at = log.find("Dest filename: "); at != std::string::npos; at = log.find("Dest filename: ", at + 1)) ++lines;
  EXPECT_EQ(lines, 4u);
  EXPECT_NE(log.find("Argument 9: /TASKS=desktopicon,startmenuicon\r\n"), std::string::npos);

  EXPECT_TRUE(fs::is_regular_file(scratch_.path() / "home" / "Desktop" / "quillmar.desktop"));
  EXPECT_TRUE(fs::is_regular_file(scratch_.path() / "data" / "applications" / "quillmar.desktop"));

  const auto installed = find_installed_copy();
  ASSERT_TRUE(installed.has_value());
  EXPECT_EQ(installed->dir, Path(target_));
  EXPECT_EQ(installed->version, "2.1.0");

  const fs::path application = target_ / "quillmar.exe";
  EXPECT_EQ(run_child(application, {"--verify-root", target_.string()}).exit_code, 0);
  testing::write_file(target_ / "lib" / "core.bin", "tampered");
  EXPECT_EQ(run_child(application, {"--verify-root", target_.string()}).exit_code, 1);
}

TEST_F(FakeSetup, EmptyTaskListMakesNoShortcuts) {
  ASSERT_EQ(run_child(package("2.1.0"), switches("")).exit_code, 0);
  EXPECT_FALSE(fs::exists(scratch_.path() / "home" / "Desktop"));
  EXPECT_FALSE(fs::exists(scratch_.path() / "data" / "applications"));
}

TEST_F(FakeSetup, FaultyPackagesMisbehaveAsAsked) {
  EXPECT_EQ(run_child(package("2.1.0", {"--exit-code", "2"}), switches("")).exit_code, 2);

  fs::remove(log_);
  ASSERT_EQ(run_child(package("2.1.0", {"--no-log", "--version-text", "9.9.9"}), switches("")).exit_code, 0);
  EXPECT_FALSE(fs::exists(log_));
  EXPECT_EQ(read_file(target_ / "version.txt"), "9.9.9");

  ASSERT_EQ(run_child(package("2.1.0", {"--verify-exit-code", "3"}), switches("")).exit_code, 0);
  EXPECT_EQ(run_child(target_ / "quillmar.exe", {"--verify-root", target_.string()}).exit_code, 3);
}

TEST_F(FakeSetup, RefusesACommandLineWithoutAFolder) {
  const auto result = run_child(package("2.1.0"), {"/VERYSILENT", "/LOG=" + log_.string()});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_FALSE(fs::exists(target_));
}

TEST_F(FakeSetup, ApplicationRecordsThatItStartedInItsFolder) {
  ASSERT_EQ(run_child(package("2.1.0"), switches("")).exit_code, 0);
  EXPECT_EQ(run_child(target_ / "quillmar.exe", {}, target_).exit_code, 0);
  EXPECT_EQ(read_file(target_ / "launches.log"), "started in " + target_.string() + "\n");
}

TEST_F(FakeSetup, PackagingFilesAReleaseWithItsDigestAndSize) {
  const fs::path releases = scratch_.path() / "releases";
  const auto result = publish(releases, "2026-11-30T10:00:00Z");
  ASSERT_EQ(result.exit_code, 0);
  const fs::path file = releases / "1.5.13" / "quillmar-setup-1.5.13.exe";
  const auto size = fs::file_size(file);
  const std::string expected_prefix = "{\"filename\":\"quillmar-setup-1.5.13.exe\",\"published_at\":\"2026-11-30T10:00:00Z\",\"sha256\":\"";
  EXPECT_EQ(result.output.substr(0, expected_prefix.size()), expected_prefix);
  EXPECT_NE(result.output.find("\"size_bytes\":" + std::to_string(size) + ",\"version\":\"1.5.13\"}"), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(releases / "1.5.13" / "release.json"));

  // The tree the front serves: the package under its digest, and the catalogue.
  const std::string sha256 = result.output.substr(expected_prefix.size(), 64);
  EXPECT_EQ(read_file(releases / "public/api/v1/installer/download" / sha256 / "quillmar-setup-1.5.13.exe"),
            read_file(file));
  EXPECT_NE(read_file(releases / "public/api/v1/updates/downloads").find(R"("sha256":")" + sha256), std::string::npos);
}

TEST_F(FakeSetup, PackagingRefusesOtherBytesUnderAPublishedPathAndWritesNothing) {
  const fs::path releases = scratch_.path() / "releases";
  const auto first = publish(releases, "2026-11-30T10:00:00Z");
  ASSERT_EQ(first.exit_code, 0);
  const std::string sha256 = first.output.substr(first.output.find(R"("sha256":")") + 10, 64);
  const fs::path served = releases / "public/api/v1/installer/download" / sha256 / "quillmar-setup-1.5.13.exe";
  // Other bytes under the path the same package would take (a new file, not the
  // release folder's copy the path is linked to).
  fs::remove(served);
  testing::write_file(served, "other bytes");
  const std::string description = read_file(releases / "1.5.13" / "release.json");
  const std::string catalogue = read_file(releases / "public/api/v1/updates/downloads");

  const auto again = publish(releases, "2026-12-01T10:00:00Z");
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_EQ(read_file(served), "other bytes");
  EXPECT_EQ(read_file(releases / "1.5.13" / "release.json"), description);
  EXPECT_EQ(read_file(releases / "public/api/v1/updates/downloads"), catalogue);
}

}  // namespace
}  // namespace quillmar
