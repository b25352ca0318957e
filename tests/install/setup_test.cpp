// Whole runs with the real stand-in setup package: the worker downloads it from a
// scripted client, starts it with the ten switches, follows its log, then checks
// the installed copy. The stub and the application are copied beside this program
// at build time.
#include <gtest/gtest.h>

#include <thread>

#include "install/post_install.h"
#include "install/worker_fixture.h"
#include "setup_payload.h"
#include "system/file_io.h"
#include "system/path.h"
#include "system/paths.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Reason = InstallFailure::Reason;

std::string file_beside_me(const char* name) {
  const fs::path path = standard_path(own_executable_path()->parent_path()) / name;
  auto content = read_whole_file(Path(path));
  EXPECT_TRUE(content) << path_to_text(Path(path));
  return content.value_or("");
}

// A stand-in setup package as quillmar-package-release makes it: the stub, the
// application and one more file, then the manifest and the trailer.
std::string make_package(fake_setup::Manifest manifest) {
  static const std::string stub = file_beside_me("fake-setup-stub.bin");
  static const std::string app = file_beside_me("fake-app.bin");
  const std::string readme = "read me\n";
  manifest.version = "1.5.13";
  manifest.files = {{"quillmar.exe", 0, app.size(), true}, {"data/readme.txt", app.size(), readme.size(), false}};
  const std::string manifest_text = fake_setup::manifest_to_json(manifest);
  return stub + app + readme + manifest_text + fake_setup::encode_trailer(stub.size(), manifest_text.size());
}

bool is_windows() { return std::is_same_v<NativePathRules, WindowsPathRules>; }

class SetupRun : public testing::WorkerRun {
 protected:
  SetupRun()
      : home_("HOME", scratch_.path() / "home"),
        data_("XDG_DATA_HOME", scratch_.path() / "data"),
        desktop_("XDG_DESKTOP_DIR", std::nullopt),
        display_("DISPLAY", std::nullopt),
        wayland_("WAYLAND_DISPLAY", std::nullopt) {
    request_.dir = path_to_text(Path(dir_));
  }

  InstallOutcome install(fake_setup::Manifest manifest = {}) {
    events_.clear();
    serve(make_package(std::move(manifest)));
    return run(request_);
  }

  // The events of the kinds named, in their order.
  template <typename... Kinds>
  std::vector<InstallProgress> events_of() const {
    std::vector<InstallProgress> found;
    for (const InstallProgress& event : events_) {
      if ((std::holds_alternative<Kinds>(event) || ...)) found.push_back(event);
    }
    return found;
  }

  testing::ScopedVariable home_, data_, desktop_, display_, wayland_;
  const fs::path dir_ = scratch_.path() / "Programs" / "Quillmar Test";
  InstallRequest request_;
};

TEST_F(SetupRun, InstallsAndReportsEveryEventInOrder) {
  fake_setup::Manifest manifest;
  manifest.file_delay_ms = 150;
  const InstallOutcome outcome = install(manifest);
  ASSERT_TRUE(outcome.ok()) << failure_text(outcome);
  EXPECT_EQ(outcome.value().dir, request_.dir);
  EXPECT_EQ(outcome.value().version, "1.5.13");

  const std::uint64_t size = package_.size_bytes;
  // The first download event alone carries the version; then the throttled ones,
  // the first of them after the first read of 256 KiB; the last one is complete.
  const auto downloads = events_of<DownloadStarted, DownloadProgress>();
  ASSERT_GE(downloads.size(), 3u);
  EXPECT_EQ(downloads[0], InstallProgress(DownloadStarted{"1.5.13", size}));
  EXPECT_EQ(downloads[1], InstallProgress(DownloadProgress{262144, size}));
  EXPECT_EQ(downloads.back(), InstallProgress(DownloadProgress{size, size}));
  const auto installs = events_of<SetupProgress>();
  ASSERT_EQ(events_.size(), downloads.size() + 1 + installs.size() + 1);
  EXPECT_EQ(events_, [&] {
    std::vector<InstallProgress> order = downloads;
    order.emplace_back(StepReached{StepReached::Step::kVerify});
    order.insert(order.end(), installs.begin(), installs.end());
    order.emplace_back(StepReached{StepReached::Step::kShortcuts});
    return order;
  }());
  // While the package runs: the curve below 95 and a file count that never goes
  // down; then 100 with all three files.
  ASSERT_GE(installs.size(), 3u);
  std::uint64_t last_files = 0;
  std::optional<std::uint64_t> first_files;
  for (std::size_t i = 0; i + 1 < installs.size(); ++i) {
    const auto& running = std::get<SetupProgress>(installs[i]);
    EXPECT_LT(running.pct, 95.0);
    EXPECT_GE(running.files, last_files);
    last_files = running.files;
    if (!first_files) first_files = last_files;
  }
  // The package pauses after each file, so the count is seen growing.
  EXPECT_LT(first_files, last_files);
  EXPECT_EQ(installs.back(), InstallProgress(SetupProgress{100.0, 3}));

  EXPECT_EQ(installer_log(), "package 1.5.13 quillmar-setup-1.5.13.exe (" + std::to_string(size) + " bytes)\n");
  EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
  EXPECT_EQ(testing::read_file(dir_ / "data" / "readme.txt"), "read me\n");
  const std::string setup_log = testing::read_file(path_from_text(setup_log_text()));
  EXPECT_NE(setup_log.find("Argument 8: /DIR=" + request_.dir + "\r\n"), std::string::npos);
  EXPECT_NE(setup_log.find("Argument 9: /TASKS=\r\n"), std::string::npos);
  EXPECT_NE(setup_log.find("Argument 10: /LOG=" + setup_log_text() + "\r\n"), std::string::npos);
}

TEST_F(SetupRun, IgnoresACancelDuringVerifyAndInstall) {
  on_event = [this](const InstallProgress& progress) {
    if (std::holds_alternative<StepReached>(progress) || std::holds_alternative<SetupProgress>(progress)) {
      cancel_ = true;
    }
  };
  request_.desktop_shortcut = true;
  request_.start_menu = true;
  const InstallOutcome outcome = install();
  EXPECT_TRUE(outcome.ok()) << failure_text(outcome);
  EXPECT_TRUE(cancel_);
  EXPECT_EQ(events_.back(), InstallProgress(StepReached{StepReached::Step::kShortcuts}));
  EXPECT_NE(testing::read_file(path_from_text(setup_log_text())).find("Argument 9: /TASKS=desktopicon,startmenuicon\r\n"),
            std::string::npos);
}

TEST_F(SetupRun, ReportsTheSetupExitCodeAsASignedNumberWithTheLog) {
  std::vector<int> codes = {2};
  // Only Windows has exit codes with the high bit set.
  if (is_windows()) codes.push_back(-1073741819);
  for (const int code : codes) {
    fake_setup::Manifest manifest;
    manifest.exit_code = code;
    const InstallOutcome outcome = install(manifest);
    EXPECT_EQ(failure_of(outcome), (InstallFailure{Reason::kInstall, std::nullopt, code, setup_log_text()}));
    EXPECT_EQ(events_.back(), InstallProgress(SetupProgress{100.0, 3}));
    EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
  }
}

TEST_F(SetupRun, CountsNoFilesWhenThePackageWritesNoLog) {
  fake_setup::Manifest manifest;
  manifest.write_log = false;
  const InstallOutcome outcome = install(manifest);
  EXPECT_TRUE(outcome.ok()) << failure_text(outcome);
  for (const InstallProgress& event : events_of<SetupProgress>()) EXPECT_EQ(std::get<SetupProgress>(event).files, 0u);
}

TEST_F(SetupRun, ComparesTheTrimmedVersionRecordExactly) {
  struct Case {
    std::string text;
    std::optional<std::string> detail;
  };
  const Case cases[] = {
      {"1.5.13\r\n", std::nullopt},
      {" \t1.5.13\n\n", std::nullopt},
      {"\xEF\xBB\xBF" "1.5.13\r\n", "installed version \"\xEF\xBB\xBF" "1.5.13\", expected 1.5.13"},
      {"1.5.12\r\n", "installed version \"1.5.12\", expected 1.5.13"},
      {"", "installed version \"\", expected 1.5.13"},
      {"\"1.5\\13\"", "installed version \"\\\"1.5\\\\13\\\"\", expected 1.5.13"},
      {"1.5.13\r\n1.5.12\r\n", "installed version \"1.5.13\r\n1.5.12\", expected 1.5.13"},
      {"1.5\t13", "installed version \"1.5\t13\", expected 1.5.13"},
  };
  for (const Case& c : cases) {
    fake_setup::Manifest manifest;
    manifest.version_text = c.text;
    const InstallOutcome outcome = install(manifest);
    if (!c.detail) {
      EXPECT_TRUE(outcome.ok()) << failure_text(outcome);
      continue;
    }
    EXPECT_EQ(failure_of(outcome),
              (InstallFailure{Reason::kInstall, *c.detail, std::nullopt, setup_log_text()}));
    EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
  }
  // A missing record, and one that is not UTF-8, read as the empty text.
  EXPECT_EQ(read_version_record(Path(scratch_.path() / "nowhere")), "");
  testing::write_file(scratch_.path() / "bad" / "version.txt", "1.5.13\xFF");
  EXPECT_EQ(read_version_record(Path(scratch_.path() / "bad")), "");
  testing::write_file(scratch_.path() / "good" / "version.txt", "\xE2\x80\x83" "1.5.13\r\n");
  EXPECT_EQ(read_version_record(Path(scratch_.path() / "good")), "1.5.13");
}

TEST_F(SetupRun, FailsTheIntegrityCheckWithTheExitStatusInTheLog) {
  std::vector<std::pair<int, std::string>> codes = {{3, "exit code: 3"}};
  if (is_windows()) codes.push_back({-1073741819, "exit code: 0xc0000005"});
  std::string expected_log;
  for (const auto& [code, text] : codes) {
    fake_setup::Manifest manifest;
    manifest.verify_exit_code = code;
    const InstallOutcome outcome = install(manifest);
    EXPECT_EQ(failure_of(outcome),
              (InstallFailure{Reason::kVerifyInstalled, std::nullopt, std::nullopt, setup_log_text()}));
    EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
    expected_log += "package 1.5.13 quillmar-setup-1.5.13.exe (" + std::to_string(package_.size_bytes) + " bytes)\n" +
                    "installed release verification failed: installed release integrity check failed (" + text + ")\n";
  }
  EXPECT_EQ(installer_log(), expected_log);
}

TEST_F(SetupRun, ReportsAnIntegrityCheckThatCannotStart) {
  // A version record without the application beside it.
  testing::write_file(dir_ / "version.txt", "1.5.13");
  auto intact = runIntegrityCheck(Path(dir_));
  ASSERT_FALSE(intact);
  EXPECT_NE(intact.error().message.find("(os error "), std::string::npos) << intact.error().message;
}

TEST_F(SetupRun, ReportsAPackageThatCannotStartOrWhoseSignatureIsRefused) {
  serve("this is not a program");
  const InstallOutcome outcome = run(request_);
  // Windows refuses the file before running it: it is no signable file at all.
  // The host has no signature check and fails to start it.
  const InstallFailure expected =
      is_windows()
          ? failure_with_detail(Reason::kVerify, "the package's signature does not verify (0x800b0003)")
          : failure_with_detail(Reason::kInstall, "the Setup could not start: Exec format error (os error 8)");
  EXPECT_EQ(failure_of(outcome), expected);
  EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
}

TEST_F(SetupRun, ReportsALogFolderThatCannotBeMade) {
  testing::write_file(scratch_.path() / "not-a-folder", "x");
  testing::ScopedVariable local("LOCALAPPDATA", scratch_.path() / "not-a-folder");
  const InstallOutcome outcome = install();
  ASSERT_FALSE(outcome.ok());
  const InstallFailure& failure = outcome.error();
  EXPECT_EQ(failure.reason, Reason::kInstall);
  EXPECT_FALSE(failure.log);
  EXPECT_NE(failure.detail.value_or("").find("(os error "), std::string::npos) << failure_text(outcome);
  EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
}

TEST_F(SetupRun, LaunchesTheInstalledApplicationInItsOwnFolder) {
  const InstallOutcome outcome = install();
  ASSERT_TRUE(outcome.ok()) << failure_text(outcome);
  launchInstalled(Path(dir_), *log_);
  const fs::path launches = dir_ / "launches.log";
  // The application is detached: wait until its line is complete, not merely until
  // its file exists, since it creates the file before writing to it.
  const std::string expected = "started in " + request_.dir + "\n";
  for (int i = 0; i < 200 && read_whole_file(Path(launches)).value_or("") != expected; ++i) std::this_thread::sleep_for(50ms);
  EXPECT_EQ(testing::read_file(launches), expected);

  launchInstalled(Path(scratch_.path() / "missing"), *log_);
  const std::string log = installer_log();
  EXPECT_NE(log.find("\nlaunch failed: "), std::string::npos) << log;
  EXPECT_NE(log.find("(os error "), std::string::npos) << log;
}

}  // namespace
}  // namespace quillmar
