// The download loop and its sink against scripted bodies.
#include <gtest/gtest.h>

#include "install/download.h"
#include "install/download_folder.h"
#include "install/install_values.h"
#include "install/release_double.h"
#include "support/scratch.h"
#include "system/sha256.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;
using testing::ScratchFolder;
using testing::ScriptedClient;
using testing::ScriptedStream;

// How a download ended and its detail, to compare in one line.
enum class Ending { kComplete, kCancelled, kFailed };
Ending ending(const DownloadResult& result) {
  if (result) return Ending::kComplete;
  return result.error().cancelled ? Ending::kCancelled : Ending::kFailed;
}
std::string detail(const DownloadResult& result) { return result ? "" : result.error().message; }

Package package_of(const std::string& body) {
  return {"1.5.13", "quillmar-setup-1.5.13.exe", body.size(), to_hex(sha256_of(body)),
          "https://localhost:47443/api/v1/installer/download/1.5.13/quillmar-setup-1.5.13.exe"};
}

class Download : public ::testing::Test {
 protected:
  DownloadResult run(const Package& package, std::unique_ptr<ScriptedStream> stream,
                     const SteadyClock& now = std::chrono::steady_clock::now) {
    record_ = stream->record;
    client_.next_stream = std::move(stream);
    return downloadPackage(
        package, client_, Path(file_), cancel_, [this](const InstallProgress& progress) { events_.push_back(progress); }, now);
  }

  ScratchFolder scratch_;
  const std::filesystem::path file_ = scratch_.path() / "quillmar-setup-1.5.13.exe";
  ScriptedClient client_;
  std::shared_ptr<ScriptedStream::Record> record_;
  std::atomic<bool> cancel_{false};
  std::vector<InstallProgress> events_;
};

TEST_F(Download, WritesTheBodyAndEndsWithTheFullProgressEvent) {
  const std::string body(600000, 'q');
  const DownloadResult result = run(package_of(body), std::make_unique<ScriptedStream>(200, std::vector<std::string>{body}));
  EXPECT_EQ(ending(result), Ending::kComplete) << detail(result);
  EXPECT_EQ(testing::read_file(file_), body);
  EXPECT_EQ(client_.requested_url, package_of(body).download_url);
  EXPECT_EQ(client_.requested_limit, 1800s);
  EXPECT_EQ(record_->largest_request, kDownloadBufferSize);
  ASSERT_FALSE(events_.empty());
  EXPECT_EQ(events_.front(), InstallProgress(DownloadProgress{262144, 600000}));
  EXPECT_EQ(events_.back(), InstallProgress(DownloadProgress{600000, 600000}));
}

TEST_F(Download, AcceptsAnUpperCaseDigest) {
  const std::string body = "setup bytes";
  Package package = package_of(body);
  for (char& c : package.sha256) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ending(run(package, std::make_unique<ScriptedStream>(200, std::vector<std::string>{body}))),
            Ending::kComplete);
}

TEST_F(Download, RejectsBadBodiesAndDeletesThePartialFile) {
  const std::string body = "0123456789abcdef";
  struct Case {
    const char* name;
    int status;
    std::vector<std::string> chunks;
    std::optional<std::string> read_error;
    std::string expected;
  };
  const Case cases[] = {
      {"status 404", 404, {body}, {}, "HTTP 404"},
      {"status 206", 206, {body}, {}, "HTTP 206"},
      {"status 304", 304, {}, {}, "HTTP 304"},
      {"empty", 200, {}, {}, "the package is shorter than announced"},
      {"short", 200, {body.substr(0, 10)}, {}, "the package is shorter than announced"},
      {"long", 200, {body, "X", "more"}, {}, "the package is larger than announced"},
      {"wrong", 200, {"0123456789abcdeF"}, {}, "SHA-256 mismatch"},
      // Broken before any byte came: nothing to resume, the transport's text stands.
      {"read error", 200, {}, std::string("connection reset"), "connection reset"},
  };
  for (const Case& c : cases) {
    auto stream = std::make_unique<ScriptedStream>(c.status, c.chunks);
    stream->error_at_end = c.read_error;
    const DownloadResult result = run(package_of(body), std::move(stream));
    EXPECT_EQ(ending(result), Ending::kFailed) << c.name;
    EXPECT_EQ(detail(result), c.expected) << c.name;
    EXPECT_FALSE(std::filesystem::exists(file_)) << c.name;
  }
}

TEST_F(Download, ReadsAtMostOneByteMoreThanAnnounced) {
  const std::string body = "0123456789";
  const DownloadResult result =
      run(package_of(body), std::make_unique<ScriptedStream>(200, std::vector<std::string>{body + std::string(5000, 'x')}));
  EXPECT_EQ(detail(result), "the package is larger than announced");
  // The first read may take the announced length and one more byte, nothing beyond.
  EXPECT_EQ(record_->largest_request, body.size() + 1);
}

TEST_F(Download, ReportsTheTransportErrorText) {
  client_.open_error = "Couldn't connect to server";
  const DownloadResult result =
      downloadPackage(package_of("x"), client_, Path(file_), cancel_, [](const InstallProgress&) {});
  EXPECT_EQ(ending(result), Ending::kFailed);
  EXPECT_EQ(detail(result), "Couldn't connect to server");
}

TEST_F(Download, StopsAtTheCancelFlagBeforeTheNextRead) {
  const std::string body(3000, 'c');
  // Set while the second read waits for data: that read still completes, the next
  // one is never made.
  auto stream = std::make_unique<ScriptedStream>(200, std::vector<std::string>{body.substr(0, 1000), body.substr(1000, 1000),
                                                                               body.substr(2000)});
  stream->before_read = [this](int read) { if (read == 2) cancel_ = true; };
  EXPECT_EQ(ending(run(package_of(body), std::move(stream))), Ending::kCancelled);
  EXPECT_EQ(record_->reads, 2);
  EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(Download, AnEarlyCancelMakesNoRequestAndALaterOneReachesTheTransport) {
  const std::string body(2000, 'c');
  cancel_ = true;
  EXPECT_EQ(ending(run(package_of(body), std::make_unique<ScriptedStream>(200, std::vector<std::string>{body}))),
            Ending::kCancelled);
  EXPECT_EQ(client_.opened, 0);
  EXPECT_EQ(record_->reads, 0);
  EXPECT_FALSE(std::filesystem::exists(file_));

  // The transport ends the read it was waiting in with its own error once the
  // flag is set: that is the cancellation, not a failed download.
  cancel_ = false;
  auto stream = std::make_unique<ScriptedStream>(200, std::vector<std::string>{body.substr(0, 500)});
  stream->error_at_end = "the request was cancelled";
  stream->before_read = [this](int read) { if (read == 2) cancel_ = true; };
  const DownloadResult result = run(package_of(body), std::move(stream));
  EXPECT_EQ(client_.requested_cancel, &cancel_);
  EXPECT_EQ(ending(result), Ending::kCancelled);
  EXPECT_EQ(detail(result), "");
  EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(Download, ACancelJustBeforeTheLastReadIsACancellation) {
  const std::string body(2000, 'c');
  for (const bool complete : {true, false}) {
    // All bytes (or all but the missing ones) have arrived; only the read that
    // would report the end of the body is left.
    auto stream = std::make_unique<ScriptedStream>(
        200, complete ? std::vector<std::string>{body} : std::vector<std::string>{body.substr(0, 1500)});
    stream->before_read = [this](int read) { if (read == 1) cancel_ = true; };
    const DownloadResult result = run(package_of(body), std::move(stream));
    EXPECT_EQ(ending(result), Ending::kCancelled) << complete;
    EXPECT_EQ(detail(result), "") << complete;
    EXPECT_FALSE(std::filesystem::exists(file_));
    cancel_ = false;
  }
}

TEST_F(Download, SendsProgressAtMostEvery150MillisecondsAndAtTheEnd) {
  const std::string body(10, 'p');
  std::vector<std::string> chunks(10, "p");
  const auto start = std::chrono::steady_clock::time_point{} + 1h;
  // The clock is read once when the sink is made, then once per chunk.
  const std::vector<std::chrono::milliseconds> offsets = {0ms, 0ms, 100ms, 149ms, 150ms, 160ms,
                                                          299ms, 300ms, 301ms, 302ms, 303ms};
  std::size_t tick = 0;
  const SteadyClock clock = [&] { return start + offsets[std::min(tick++, offsets.size() - 1)]; };
  EXPECT_EQ(ending(run(package_of(body), std::make_unique<ScriptedStream>(200, chunks), clock)), Ending::kComplete);
  // Chunk 1 (a second after the sink's "last event"), chunk 4 (150 ms after it),
  // chunk 7 (150 ms after that) and chunk 10 (complete).
  const std::vector<InstallProgress> expected = {
      DownloadProgress{1, 10},
      DownloadProgress{4, 10},
      DownloadProgress{7, 10},
      DownloadProgress{10, 10},
  };
  EXPECT_EQ(events_, expected);
}

TEST(DownloadFolder, IsPrivateToTheRunAndGoesAwayWithEverythingInIt) {
  ScratchFolder scratch;
  testing::ScopedVariable tmpdir("TMPDIR", scratch.path());
  testing::ScopedVariable tmp("TMP", scratch.path());
  std::filesystem::path path;
  {
    auto folder = DownloadFolder::create();
    ASSERT_TRUE(folder) << folder.error().message;
    path = standard_path(folder.value().path());
    const std::string name = path.filename().string();
    ASSERT_EQ(name.size(), std::string("quillmar-installer-").size() + 16);
    EXPECT_EQ(name.rfind("quillmar-installer-", 0), 0u);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 19), std::string::npos);
    EXPECT_TRUE(std::filesystem::equivalent(path.parent_path(), scratch.path()));
    testing::write_file(path / "quillmar-setup.exe", "partial");
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quillmar
