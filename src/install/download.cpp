#include "install/download.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "system/paths.h"
#include "system/random.h"

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

std::string ascii_lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

InstallerEvent download_progress_event(std::uint64_t downloaded, std::uint64_t total) {
  return {{"type", "progress"},
          {"phase", "download"},
          {"pct", static_cast<double>(downloaded) * 100.0 / static_cast<double>(total)},
          {"downloaded", downloaded},
          {"total", total}};
}

}  // namespace

Result<DownloadFolder> DownloadFolder::create() {
  auto digits = random_hex(8);
  if (!digits) return digits.error();
  std::filesystem::path path = temp_folder() / path_from_text("quillmar-installer-" + digits.value());
  if (auto created = create_folder_tree(path); !created) return created.error();
  return DownloadFolder(std::move(path));
}

DownloadFolder::DownloadFolder(DownloadFolder&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }

DownloadFolder::~DownloadFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

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
  if (to_hex(digest_.finish()) != ascii_lower(expected_sha256)) return Error{"SHA-256 mismatch"};
  return {};
}

DownloadResult downloadPackage(const Package& package, const ReleaseClient& client,
                               const std::filesystem::path& package_file, const std::atomic<bool>& cancel,
                               const EventSender& send, const SteadyClock& now) {
  const auto failed = [](std::string message) {
    return DownloadResult{DownloadResult::End::kFailed, std::move(message)};
  };
  auto opened = client.open_download(package.download_url, kDownloadBodyLimit);
  if (!opened) return failed(opened.error().message);
  ResponseStream& stream = *opened.value();
  if (stream.status() != 200) return failed("HTTP " + std::to_string(stream.status()));

  auto created = PackageFile::create(package_file);
  if (!created) return failed(created.error().message);
  PackageFile& file = created.value();

  // Everything from here on ends either in success or in deleting the partial file.
  const auto discard = [&](DownloadResult result) {
    file.close();
    std::error_code ignored;
    std::filesystem::remove(package_file, ignored);
    return result;
  };

  LimitedReader reader(stream, package.size_bytes + 1);
  PackageSink sink(file, package.size_bytes, send, now);
  std::vector<std::uint8_t> buffer(kDownloadBufferSize);
  for (;;) {
    if (cancel.load()) return discard({DownloadResult::End::kCancelled, {}});
    auto count = reader.read(buffer.data(), buffer.size());
    if (!count) return discard(failed(count.error().message));
    if (count.value() == 0) break;
    if (auto accepted = sink.accept(buffer.data(), count.value()); !accepted) {
      return discard(failed(accepted.error().message));
    }
  }
  if (auto finished = sink.finish(package.sha256); !finished) return discard(failed(finished.error().message));
  file.close();
  return {DownloadResult::End::kComplete, {}};
}

}  // namespace quillmar
