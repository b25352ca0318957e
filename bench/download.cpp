// Prints how fast a package flows through the download loop and its sink (hash and
// write from the one buffer), against SHA-256 alone over the same bytes, and the
// peak resident memory of the process. A program that prints figures, not a test:
//
//   quillmar-download-benchmark MEBIBYTES [FOLDER]
//
// The body comes from memory (a 1 MiB pseudo-random block repeated), so the figures
// show the engine's own cost without a network in the way.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "install/download.h"
#include "system/sha256.h"

namespace {

using namespace quillmar;

constexpr std::size_t kBlock = 1 << 20;

class GeneratedStream : public ResponseStream {
 public:
  GeneratedStream(const std::vector<std::uint8_t>& block, std::uint64_t size) : block_(block), remaining_(size) {}
  int status() const override { return 200; }
  std::optional<std::string> header(const std::string&) const override { return std::nullopt; }
  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>({capacity, remaining_, kBlock - offset_}));
    std::memcpy(buffer, block_.data() + offset_, count);
    offset_ = (offset_ + count) % kBlock;
    remaining_ -= count;
    return count;
  }

 private:
  const std::vector<std::uint8_t>& block_;
  std::uint64_t remaining_;
  std::size_t offset_ = 0;
};

class GeneratedClient : public ReleaseClient {
 public:
  GeneratedClient(const std::vector<std::uint8_t>& block, std::uint64_t size) : block_(block), size_(size) {}
  const std::string& base_url() const override { return url_; }
  ReleaseResult<JsonAnswer> post_json(std::string_view, const nlohmann::json&) const override { return ReleaseError{}; }
  ReleaseResult<JsonAnswer> get_json(std::string_view) const override { return ReleaseError{}; }
  Result<std::unique_ptr<ResponseStream>> send_download(const DownloadRequest&) const override {
    return std::unique_ptr<ResponseStream>(std::make_unique<GeneratedStream>(block_, size_));
  }

 private:
  const std::vector<std::uint8_t>& block_;
  std::uint64_t size_;
  std::string url_ = "https://localhost";
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: quillmar-download-benchmark MEBIBYTES [FOLDER]\n");
    return 2;
  }
  const std::uint64_t size = std::stoull(argv[1]) << 20;
  const std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();

  std::vector<std::uint8_t> block(kBlock);
  std::mt19937_64 random(42);
  for (auto& byte : block) byte = static_cast<std::uint8_t>(random());

  // SHA-256 alone over the same bytes, through the same 256 KiB reads.
  auto start = std::chrono::steady_clock::now();
  Sha256 digest;
  {
    GeneratedStream stream(block, size);
    std::vector<std::uint8_t> buffer(kDownloadBufferSize);
    for (;;) {
      const std::size_t count = stream.read(buffer.data(), buffer.size()).value();
      if (count == 0) break;
      digest.update(buffer.data(), count);
    }
  }
  Package package{"1.0", "quillmar-benchmark.exe", size, to_hex(digest.finish().value()), "https://localhost/x"};
  const double hash_seconds = seconds_since(start);

  GeneratedClient client(block, size);
  std::atomic<bool> cancel{false};
  std::uint64_t events = 0;
  const std::filesystem::path file = folder / package.filename;
  start = std::chrono::steady_clock::now();
  const DownloadResult result =
      downloadPackage(package, client, Path(file), cancel, [&](const InstallProgress&) { ++events; });
  const double download_seconds = seconds_since(start);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  if (!result) {
    std::fprintf(stderr, "download failed: %s\n", result.error().message.c_str());
    return 1;
  }

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double megabytes = static_cast<double>(size) / 1e6;
  std::printf("package                 %llu MiB\n", static_cast<unsigned long long>(size >> 20));
  std::printf("SHA-256 alone           %.0f MB/s\n", megabytes / hash_seconds);
  std::printf("download loop and sink  %.0f MB/s (hash, write, flush to %s)\n", megabytes / download_seconds,
              folder.c_str());
  std::printf("ratio to SHA-256 alone  %.2f\n", hash_seconds / download_seconds);
  std::printf("progress events         %llu\n", static_cast<unsigned long long>(events));
  std::printf("peak resident memory    %ld KiB\n", usage.ru_maxrss);
  return 0;
}
