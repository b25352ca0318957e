// The worker's sequence up to the download and its checks, with scripted
// collaborators: every failure that ends a run before the setup package starts.
#include <gtest/gtest.h>

#include <cctype>

#include "install/worker_fixture.h"
#include "system/path.h"
#include "system/paths.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

using WorkerBeforeSetup = testing::WorkerRun;
using Reason = InstallFailure::Reason;

const InstallProgress kFirstEvent = DownloadStarted{"1.5.13", 16};

TEST_F(WorkerBeforeSetup, RefusesToInstallIntoTheFolderThatHoldsTheInstaller) {
  const std::filesystem::path own_folder = standard_path(own_executable_path()->parent_path());
  std::vector<std::string> spellings = {path_to_text(Path(own_folder)), path_to_text(Path(own_folder)) + "/",
                                        path_to_text(Path(own_folder.parent_path()))};
  if (std::is_same_v<NativePathRules, WindowsPathRules>) {
    std::string upper = path_to_text(Path(own_folder));
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    spellings.push_back(upper + "\\");
  }
  for (const std::string& dir : spellings) {
    InstallRequest request;
    request.dir = dir;
    EXPECT_EQ(failure_of(run(request)), failure_with_detail(Reason::kInstallerLocation, "")) << dir;
  }
  EXPECT_EQ(package_requests_, 0);
  EXPECT_TRUE(events_.empty());
}

TEST_F(WorkerBeforeSetup, LetsAFolderWithoutTheInstallerOrAMissingFolderPass) {
  package_error_ = "Network";
  for (const std::filesystem::path& dir :
       {scratch_.path() / "Quillmar", scratch_.path() / "does" / "not" / "exist", std::filesystem::path()}) {
    std::filesystem::create_directories(scratch_.path() / "Quillmar");
    InstallRequest request;
    request.dir = path_to_text(Path(dir));
    EXPECT_EQ(failure_of(run(request)), failure_with_detail(Reason::kDownload, "Network"));
  }
  EXPECT_EQ(package_requests_, 3);
}

TEST_F(WorkerBeforeSetup, NeedsOnePointFiveGibibytesFree) {
  InstallRequest request;
  request.dir = path_to_text(Path(scratch_.path() / "Programs" / "Quillmar"));
  package_error_ = "Unavailable";

  free_bytes_ = 1610612735;
  EXPECT_EQ(failure_of(run(request)), failure_with_detail(Reason::kDisk, ""));
  EXPECT_EQ(Path(free_bytes_asked_), path_from_text(request.dir));
  EXPECT_EQ(package_requests_, 0);

  // Exactly the figure, or a volume that cannot tell, lets the run go on.
  for (const std::optional<std::uint64_t> free : {std::optional<std::uint64_t>(1610612736), std::optional<std::uint64_t>()}) {
    free_bytes_ = free;
    EXPECT_EQ(failure_of(run(request)), failure_with_detail(Reason::kDownload, "Unavailable"));
  }
  EXPECT_EQ(package_requests_, 2);
  EXPECT_TRUE(events_.empty());
}

TEST_F(WorkerBeforeSetup, ReportsARefusedPackageAnswerByItsDiagnostic) {
  InstallRequest request;
  request.dir = path_to_text(Path(scratch_.path() / "Quillmar"));
  request.version = "1.4.2";
  package_error_ = "Untrusted(\"the answer's nonce does not match\")";
  EXPECT_EQ(failure_of(run(request)),
            failure_with_detail(Reason::kDownload, "Untrusted(\"the answer's nonce does not match\")"));
  EXPECT_EQ(requested_version_, std::optional<std::string>("1.4.2"));
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(installer_log(), "");
}

TEST_F(WorkerBeforeSetup, EndsEveryDownloadFailureWithNothingLeftBehind) {
  const std::string body = "0123456789abcdef";
  struct Case {
    int status;
    std::vector<std::string> chunks;
    std::string detail;
  };
  // Refused before the package file exists, and after it was written: the worker
  // cleans up both ways. Every other bad body is a row of the download's own tests.
  const Case cases[] = {
      {503, {body}, "HTTP 503"},
      {200, {"fedcba9876543210"}, "SHA-256 mismatch"},
  };
  InstallRequest request;
  request.dir = path_to_text(Path(scratch_.path() / "Quillmar"));
  for (const Case& c : cases) {
    events_.clear();
    serve(body);
    serve_chunks(c.chunks, c.status);
    EXPECT_EQ(failure_of(run(request)), failure_with_detail(Reason::kDownload, c.detail));
    ASSERT_FALSE(events_.empty());
    EXPECT_EQ(events_.front(), kFirstEvent);
    EXPECT_EQ(temp_leftovers(), std::vector<std::string>{}) << c.detail;
  }
  std::string expected_log;
  for (std::size_t i = 0; i < std::size(cases); ++i) expected_log += "package 1.5.13 quillmar-setup-1.5.13.exe (16 bytes)\n";
  EXPECT_EQ(installer_log(), expected_log);
  EXPECT_FALSE(std::filesystem::exists(scratch_.path() / "Quillmar"));
}

TEST_F(WorkerBeforeSetup, EndsAsCancelledWhenTheFlagIsSeenDuringTheDownload) {
  const std::string body = "0123456789abcdef";
  InstallRequest request;
  request.dir = path_to_text(Path(scratch_.path() / "Quillmar"));
  // A cancel that arrives while the answer is requested is seen at the first test
  // in the download loop; one set during the last read ends the run before the
  // read that would report the end of the body.
  for (const bool early : {true, false}) {
    events_.clear();
    serve(body);
    if (early) {
      cancel_ = true;
    } else {
      client_.next_stream->before_read = [this](int read) { if (read == 1) cancel_ = true; };
    }
    EXPECT_EQ(failure_of(run(request)), failure_with_detail(Reason::kCancelled, ""));
    EXPECT_EQ(events_.front(), kFirstEvent);
    EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
    cancel_ = false;
  }
}

TEST_F(WorkerBeforeSetup, NamesTheDownloadWhenALibraryThrowsDuringIt) {
  serve("0123456789abcdef");
  client_.next_stream->before_read = [](int) { throw std::runtime_error("provider gone"); };
  InstallRequest request;
  request.dir = path_to_text(Path(scratch_.path() / "Quillmar"));
  EXPECT_EQ(failure_of(run(request)),
            failure_with_detail(Reason::kDownload, "unexpected failure: provider gone"));
  EXPECT_EQ(temp_leftovers(), std::vector<std::string>{});
}

}  // namespace
}  // namespace quillmar
