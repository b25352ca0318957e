#include "install/download.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "system/file_system.h"
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

// The validator a resumption sends in If-Range, so the server answers with the rest
// of the same package or, if the package changed, with all of the new one. A weak
// ETag cannot serve there.
std::optional<std::string> validator_of(const ResponseStream& stream) {
  if (auto etag = stream.header("ETag"); etag && !etag->empty() && etag->rfind("W/", 0) != 0) return etag;
  if (auto modified = stream.header("Last-Modified"); modified && !modified->empty()) return modified;
  return std::nullopt;
}

// Whether a 206 continues exactly the body being written: its Content-Range
// ("bytes FIRST-LAST/SIZE") names the first missing byte, the package's last byte
// and the package's size, and its ETag, when it has one, is the first answer's. A
// server that ignored If-Range, or answers for another file or another range,
// would otherwise splice foreign bytes onto the file, caught only by the digest
// after the whole download.
bool continues_exactly(const ResponseStream& stream, std::uint64_t first, std::uint64_t size,
                       const std::optional<std::string>& first_etag) {
  const std::string expected =
      "bytes " + std::to_string(first) + "-" + std::to_string(size - 1) + "/" + std::to_string(size);
  if (stream.header("Content-Range") != expected) return false;
  const std::optional<std::string> etag = stream.header("ETag");
  return !etag || etag == first_etag;
}

// Waits for PAUSE; false when the cancel flag was set meanwhile, which is noticed
// within a twentieth of a second.
bool pause_unless_cancelled(std::chrono::milliseconds pause, const std::atomic<bool>& cancel) {
  const auto until = std::chrono::steady_clock::now() + pause;
  while (!cancel.load()) {
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(50)));
  }
  return false;
}

}  // namespace

PackageSink::PackageSink(File& file, std::uint64_t size_bytes, const ProgressSender& send, SteadyClock now)
    : file_(file), size_bytes_(size_bytes), send_(send), now_(std::move(now)) {
  restart();
}

void PackageSink::restart() {
  downloaded_ = 0;
  digest_.emplace();
  // One second in the past, so the first chunk always produces an event.
  last_event_ = now_() - std::chrono::seconds(1);
}

Result<void> PackageSink::accept(const std::uint8_t* bytes, std::size_t size) {
  downloaded_ += size;
  if (downloaded_ > size_bytes_) return Error{"the package is larger than announced"};
  digest_->update(bytes, size);
  QUILLMAR_TRY(file_.write(bytes, size));
  const auto instant = now_();
  const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(instant - last_event_);
  if (since >= kDownloadProgressInterval || downloaded_ == size_bytes_) {
    send_(DownloadProgress{downloaded_, size_bytes_});
    last_event_ = instant;
  }
  return {};
}

Result<void> PackageSink::finish(const std::string& expected_sha256) {
  QUILLMAR_TRY(file_.flush());
  if (downloaded_ != size_bytes_) return Error{"the package is shorter than announced"};
  const auto digest = QUILLMAR_TRY(digest_->finish());
  if (to_hex(digest) != ascii_lower(expected_sha256)) return Error{"SHA-256 mismatch"};
  return {};
}

DownloadResult downloadPackage(const Package& package, const ReleaseClient& client, const Path& package_file,
                               const std::atomic<bool>& cancel, const ProgressSender& send, const SteadyClock& now,
                               const DownloadLimits& limits) {
  const auto failed = [](std::string message) { return DownloadStop{false, std::move(message)}; };
  const DownloadStop cancelled{true, {}};
  // A cancel that came while the package answer was requested ends the run before
  // any connection is made.
  if (cancel.load()) return cancelled;
  // The transport watches the flag as well, so a cancel ends a request that waits
  // for a head or a body that never comes.
  DownloadRequest request{package.download_url, {}, limits.body_limit, limits.stall_limit, &cancel};
  auto opened = client.send_download(request);
  if (!opened) return cancel.load() ? cancelled : failed(opened.error().message);
  std::unique_ptr<ResponseStream> stream = std::move(opened).value();
  if (stream->status() != 200) return failed("HTTP " + std::to_string(stream->status()));
  // What the answer whose body the file holds said of itself, for the resumptions.
  std::optional<std::string> validator = validator_of(*stream);
  std::optional<std::string> first_etag = stream->header("ETag");

  auto created = File::open(package_file, File::Mode::kWriteExecutable);
  if (!created) return failed(created.error().message);
  File& file = created.value();

  // Everything from here on ends either in success or in deleting the partial file.
  const auto discard = [&](DownloadStop stop) {
    file.close();
    remove_file(package_file);
    return stop;
  };

  PackageSink sink(file, package.size_bytes, send, now);
  std::vector<std::uint8_t> buffer(kDownloadBufferSize);
  bool progressed = false;
  int resumptions = 0;
  bool range_refused = false;
  for (;;) {
    // One answer's body, from where the file stands. A broken connection (reset,
    // cut off, a stall, the body limit) is the transport's error; a body that is
    // too long or does not match is the package's, and is never asked for again.
    LimitedReader reader(*stream, package.size_bytes + 1 - sink.downloaded());
    std::optional<std::string> broken;
    for (;;) {
      if (cancel.load()) return discard(cancelled);
      auto count = reader.read(buffer.data(), buffer.size());
      if (!count) {
        if (cancel.load()) return discard(cancelled);
        broken = count.error().message;
        break;
      }
      if (count.value() == 0) break;
      progressed = true;
      if (auto accepted = sink.accept(buffer.data(), count.value()); !accepted) {
        return discard(failed(accepted.error().message));
      }
    }
    // A connection that broke after the last announced byte lost nothing: there
    // is no rest to ask for, and the checks decide.
    if (!broken || sink.downloaded() == package.size_bytes) break;
    stream.reset();

    // Resume: ask for the rest after a pause, a few times at most. A connection
    // that broke before any byte came is not a link that dropped mid-way; it ends
    // the download as a failed first request does.
    bool from_start = false;
    for (;;) {
      if (!progressed || resumptions == kDownloadResumptions) return discard(failed(*broken));
      const auto pause = limits.first_pause * (1 << resumptions);
      ++resumptions;
      if (!pause_unless_cancelled(pause, cancel)) return discard(cancelled);
      // Without a validator a range cannot be asked for safely: the server may
      // have changed the package meanwhile and would splice the new one's tail
      // onto the old one's head. So the package is asked for again whole, with
      // the first request's plain GET, and is started again from byte 0; so it is
      // after a range answer that did not continue exactly.
      const bool ranged = validator && !from_start;
      request.headers.clear();
      if (ranged) {
        request.headers = {{"Range", "bytes=" + std::to_string(sink.downloaded()) + "-"}, {"If-Range", *validator}};
      }
      auto reopened = client.send_download(request);
      if (!reopened) {
        if (cancel.load()) return discard(cancelled);
        broken = reopened.error().message;
        continue;
      }
      stream = std::move(reopened).value();
      const int status = stream->status();
      if (ranged && status == 206) {
        if (continues_exactly(*stream, sink.downloaded(), package.size_bytes, first_etag)) break;
        broken = "HTTP 206";
        from_start = true;
        stream.reset();
        continue;
      }
      // A 416 says the range is past the end of what the server holds now: once,
      // the package is asked for whole; twice, the server and this run disagree.
      if (ranged && status == 416 && !range_refused) {
        range_refused = true;
        broken = "HTTP 416";
        from_start = true;
        stream.reset();
        continue;
      }
      if (status != 200) return discard(failed("HTTP " + std::to_string(status)));
      // The whole package again (the server does not do ranges, the package
      // changed, or a range answer could not be trusted): the file and the digest
      // start over, and this answer's validator serves the next resumption.
      validator = validator_of(*stream);
      first_etag = stream->header("ETag");
      file.close();
      auto again = File::open(package_file, File::Mode::kWriteExecutable);
      if (!again) return discard(failed(again.error().message));
      file = std::move(again).value();
      sink.restart();
      break;
    }
  }
  if (auto finished = sink.finish(package.sha256); !finished) return discard(failed(finished.error().message));
  file.close();
  return {};
}

}  // namespace quillmar
