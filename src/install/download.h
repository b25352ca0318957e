#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "install/install_progress.h"
#include "server/release_client.h"
#include "system/file.h"
#include "system/path.h"
#include "system/result.h"
#include "system/sha256.h"

namespace quillmar {

// The one read buffer of a download: 256 KiB, allocated and zero-filled once.
inline constexpr std::size_t kDownloadBufferSize = 262144;
// Only the download limits the time for receiving a body: 30 minutes.
inline constexpr std::chrono::seconds kDownloadBodyLimit{1800};
// A body that brings no byte for this long is a broken connection, as is one cut
// off or past its body limit: the download then resumes where it stopped.
inline constexpr std::chrono::seconds kDownloadStallLimit{60};
// How many times one download resumes at most, and the pause before the first
// resumption; each later pause is twice the one before.
inline constexpr int kDownloadResumptions = 5;
inline constexpr std::chrono::seconds kDownloadFirstPause{1};
// Download progress at most this often, plus once at completion.
inline constexpr std::chrono::milliseconds kDownloadProgressInterval{150};

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// Where the bytes of the package go as they arrive: it counts them, refuses one
// byte more than announced, hashes and writes each chunk straight from the caller's
// buffer, and sends throttled progress. It never holds the package in memory.
class PackageSink {
 public:
  PackageSink(File& file, std::uint64_t size_bytes, const ProgressSender& send, SteadyClock now);

  // Forgets every byte taken so far, for a body that starts again from byte 0 in
  // the file FILE now holds.
  void restart();
  // One chunk of the body. The error text is the failure detail.
  Result<void> accept(const std::uint8_t* bytes, std::size_t size);
  // After the last chunk: flush, length and digest checks.
  Result<void> finish(const std::string& expected_sha256);

  std::uint64_t downloaded() const { return downloaded_; }

 private:
  File& file_;
  std::uint64_t size_bytes_;
  const ProgressSender& send_;
  SteadyClock now_;
  std::uint64_t downloaded_ = 0;
  std::optional<Sha256> digest_;
  std::chrono::steady_clock::time_point last_event_;
};

// Why a download stopped short of a verified package: the cancel flag, or a failure
// with its detail.
struct DownloadStop {
  bool cancelled = false;
  std::string message;  // the failure's detail; empty when cancelled
};
using DownloadResult = Result<void, DownloadStop>;

// The time limits of one download's requests. Tests shorten them; the installer
// always uses these.
struct DownloadLimits {
  std::chrono::seconds body_limit = kDownloadBodyLimit;  // per request
  std::chrono::milliseconds stall_limit = kDownloadStallLimit;
  std::chrono::milliseconds first_pause = kDownloadFirstPause;
};

// Streams PACKAGE into PACKAGE_FILE through the release client, checking length and
// digest as it goes. A body that breaks off after some bytes is resumed with a
// range request when the first answer gave a strong validator, and the range answer
// is used only when it continues the file exactly; otherwise the package is asked
// for whole and started again from byte 0. The
// cancel flag is read before each read and during the pauses between requests. On
// any ending but success the partial file is deleted.
DownloadResult downloadPackage(const Package& package, const ReleaseClient& client, const Path& package_file,
                               const std::atomic<bool>& cancel, const ProgressSender& send,
                               const SteadyClock& now = std::chrono::steady_clock::now,
                               const DownloadLimits& limits = DownloadLimits{});

}  // namespace quillmar
