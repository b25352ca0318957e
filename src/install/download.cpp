#include "install/download.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "system/text.h"

namespace quillmar {
namespace {

// Reads at most LIMIT body bytes in all, so a body longer than announced costs at
// most one extra byte before it is refused.
class LimitedReader {
 public:
  LimitedReader(ResponseStream& stream, std::uint64_t limit) : stream_(stream), remaining_(limit) {}

  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) {
    if (remaining_ == 0) return std::size_t{0};
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, remaining_));
    auto count = stream_.read(buffer, wanted);
    if (!count) return count;
    // A stream that claims more than it was asked for is treated as a read error
    // rather than trusted with memory it does not own.
    if (count.value() > wanted) return Error{"the response stream returned more bytes than requested"};
    remaining_ -= count.value();
    return count;
  }

 private:
  ResponseStream& stream_;
  std::uint64_t remaining_;
};

InstallerEvent download_progress_event(std::uint64_t downloaded, std::uint64_t total) {
  return {{"type", "progress"},
          {"phase", "download"},
          {"pct", static_cast<double>(downloaded) * 100.0 / static_cast<double>(total)},
          {"downloaded", downloaded},
          {"total", total}};
}

}  // namespace

PackageSink::PackageSink(PackageFile& file, std::uint64_t size_bytes, const EventSender& send, SteadyClock now)
    : file_(file), size_bytes_(size_bytes), send_(send), now_(std::move(now)) {
  // One second in the past, so the first chunk always produces an event.
  last_event_ = now_() - std::chrono::seconds(1);
}

Result<void> PackageSink::accept(const std::uint8_t* bytes, std::size_t size) {
  downloaded_ += size;
  if (downloaded_ > size_bytes_) return Error{"the package is larger than announced"};
  digest_.update(bytes, size);
  if (auto written = file_.write(bytes, size); !written) return written;
  const auto instant = now_();
  const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(instant - last_event_);
  if (since >= kDownloadProgressInterval || downloaded_ == size_bytes_) {
    send_(download_progress_event(downloaded_, size_bytes_));
    last_event_ = instant;
  }
  return {};
}

Result<void> PackageSink::finish(const std::string& expected_sha256) {
  if (auto flushed = file_.flush(); !flushed) return flushed;
  if (downloaded_ != size_bytes_) return Error{"the package is shorter than announced"};
  const auto digest = digest_.finish();
  if (!digest) return digest.error();
  if (to_hex(digest.value()) != ascii_lower(expected_sha256)) return Error{"SHA-256 mismatch"};
  return {};
}

DownloadResult downloadPackage(const Package& package, const ReleaseClient& client,
                               const std::filesystem::path& package_file, const std::atomic<bool>& cancel,
                               const EventSender& send, const SteadyClock& now) {
  const auto failed = [](std::string message) { return DownloadStop{false, std::move(message)}; };
  const DownloadStop cancelled{true, {}};
  // A cancel that came while the package answer was requested ends the run before
  // any connection is made.
  if (cancel.load()) return cancelled;
  // The transport watches the flag as well, so a cancel ends a request that waits
  // for a head or a body that never comes.
  auto opened = client.open_download(package.download_url, kDownloadBodyLimit, &cancel);
  if (!opened) return cancel.load() ? cancelled : failed(opened.error().message);
  ResponseStream& stream = *opened.value();
  if (stream.status() != 200) return failed("HTTP " + std::to_string(stream.status()));

  auto created = PackageFile::create(package_file);
  if (!created) return failed(created.error().message);
  PackageFile& file = created.value();

  // Everything from here on ends either in success or in deleting the partial file.
  const auto discard = [&](DownloadStop stop) {
    file.close();
    std::error_code ignored;
    std::filesystem::remove(package_file, ignored);
    return stop;
  };

  LimitedReader reader(stream, package.size_bytes + 1);
  PackageSink sink(file, package.size_bytes, send, now);
  std::vector<std::uint8_t> buffer(kDownloadBufferSize);
  for (;;) {
    if (cancel.load()) return discard(cancelled);
    auto count = reader.read(buffer.data(), buffer.size());
    if (!count) return discard(cancel.load() ? cancelled : failed(count.error().message));
    if (count.value() == 0) break;
    if (auto accepted = sink.accept(buffer.data(), count.value()); !accepted) {
      return discard(failed(accepted.error().message));
    }
  }
  if (auto finished = sink.finish(package.sha256); !finished) return discard(failed(finished.error().message));
  file.close();
  return {};
}

}  // namespace quillmar
