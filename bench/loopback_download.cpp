// Prints how fast the installer downloads and verifies a package over loopback HTTPS
// from the development release server, against curl piped into openssl dgst and
// curl alone on the same server in the same run, and the peak resident memory of
// the downloading process. A program that prints figures, not a test:
//
//   quillmar-loopback-download-benchmark [MEBIBYTES [ROUNDS]]    (defaults 1024 and 3)
//
// The package, the server and the keys all come from the build (their paths are
// compiled in), so nothing but the size and the rounds are needed. Everything it
// makes lives in one scratch folder under the temporary folder, removed at the end.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "install/download.h"
#include "pinning/pinned_tls.h"
#include "server/release_parts.h"
#include "signature/signature_verifier.h"
#include "support/release_server_process.h"
#include "system/file_io.h"

namespace {

namespace fs = std::filesystem;
using namespace quillmar;

constexpr char kVersion[] = "9.0.0";

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Single quotes for sh; the paths come from the build and the temporary folder,
// which may hold spaces.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string read_or_throw(const fs::path& path) {
  auto text = read_whole_file(Path(path));
  if (!text) throw std::runtime_error("cannot read " + path.string());
  return *text;
}

long peak_resident_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Pseudo-random bytes throughout, written a mebibyte at a time, so that neither the
// TLS layer nor the disk sees anything compressible or repeated and this process
// never holds more than one block.
void write_payload(const fs::path& file, std::uint64_t mebibytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  std::mt19937_64 random(20240611);
  std::vector<std::uint64_t> block((1 << 20) / sizeof(std::uint64_t));
  for (std::uint64_t i = 0; i < mebibytes; ++i) {
    for (auto& word : block) word = random();
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
}

// Wall-clock seconds of one shell command; its standard output is returned.
std::pair<double, std::string> timed_command(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
  const int status = pclose(pipe);
  const double seconds = seconds_since(start);
  if (status != 0) throw std::runtime_error("failed (" + std::to_string(status) + "): " + command);
  return {seconds, output};
}

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "quillmar-loopback-benchmark-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

int run(std::uint64_t mebibytes, int rounds) {
  const fs::path tls = QUILLMAR_DEV_TLS_DIR;
  ScratchFolder scratch;
  const fs::path content = scratch.path() / "content";
  const fs::path releases = scratch.path() / "releases";
  fs::create_directories(content);

  std::printf("package payload         %llu MiB of pseudo-random bytes\n", static_cast<unsigned long long>(mebibytes));
  std::fflush(stdout);
  write_payload(content / "payload.bin", mebibytes);
  const std::string package_command =
      quoted(QUILLMAR_PACKAGE_RELEASE) + " --stub " + quoted(QUILLMAR_FAKE_SETUP_STUB) + " --app " +
      quoted(QUILLMAR_FAKE_APP) + " --version " + kVersion + " --from " + quoted(content.string()) +
      " --releases " + quoted(releases.string()) + " >/dev/null";
  if (std::system(package_command.c_str()) != 0) throw std::runtime_error("packaging failed");
  // The packaged copy is all the server needs; dropping the payload halves the disk used.
  fs::remove_all(content);

  // The release server finds its program through the environment, as in the tests.
  setenv("QUILLMAR_RELEASE_SERVER", QUILLMAR_RELEASE_SERVER, 1);
  quillmar::testing::ReleaseServerProcess server(releases, {});

  const auto pins = parse_pins(read_or_throw(tls / "pins.txt"));
  if (!pins.ok()) throw std::runtime_error("bad pins: " + pins.error().message);
  const fs::path ca = tls / "ca.pem";
  auto client = make_release_client(server.base_url(), pins.value(), read_or_throw(ca));
  if (!client.ok()) throw std::runtime_error("no client: " + client.error().message);
  auto verifier = SignatureVerifier::from_key(read_or_throw(QUILLMAR_DEV_SIGNING_PUBLIC_KEY),
                                              QUILLMAR_DEV_SIGNING_KEY_SHA256);
  if (!verifier.ok()) throw std::runtime_error("no verifier: " + verifier.error().message);

  // The signed package answer, as the installer gets it, names the URL, size and digest.
  const auto answer = request_package(*client.value(), *verifier.value(), std::nullopt);
  if (!answer) {
    throw std::runtime_error("package request failed: " + answer.error().diagnostic());
  }
  const Package package = answer.value();
  const double megabytes = static_cast<double>(package.size_bytes) / 1e6;
  const long resident_before = peak_resident_kib();

  const fs::path download = scratch.path() / "download";
  fs::create_directories(download);
  const std::string curl = "curl -s --fail --cacert " + quoted(ca.string()) + " " + quoted(package.download_url);
  std::uint64_t events = 0;

  const auto time_engine = [&] {
    std::atomic<bool> cancel{false};
    events = 0;
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult result = downloadPackage(package, *client.value(), Path(download / package.filename), cancel,
                                                  [&](const InstallProgress&) { ++events; });
    const double seconds = seconds_since(start);
    if (!result) throw std::runtime_error("download failed: " + result.error().message);
    fs::remove(download / package.filename);
    return seconds;
  };
  const auto time_dgst = [&] {
    const auto [seconds, output] = timed_command(curl + " | openssl dgst -sha256");
    if (output.find(package.sha256) == std::string::npos) {
      throw std::runtime_error("the curl and openssl dgst pipeline saw another digest: " + output);
    }
    return seconds;
  };
  const auto time_curl = [&] { return timed_command(curl + " -o /dev/null").first; };

  // Packaging has just written the whole release: let that reach the disk first, so
  // its write-back does not land on whichever client happens to run first. The
  // three clients then take turns, and each one's median round is reported.
  sync();
  std::vector<double> engine_runs, dgst_runs, curl_runs;
  for (int round = 0; round < rounds; ++round) {
    engine_runs.push_back(time_engine());
    dgst_runs.push_back(time_dgst());
    curl_runs.push_back(time_curl());
  }
  const long resident_after = peak_resident_kib();

  const double engine = megabytes / median(engine_runs);
  const double dgst = megabytes / median(dgst_runs);
  const double curl_only = megabytes / median(curl_runs);
  std::printf("package                 %.0f MB (%s)\n", megabytes, package.download_url.c_str());
  std::printf("rounds                  %d, median of each client\n", rounds);
  std::printf("engine download         %.0f MB/s (TLS, SHA-256, write and flush to %s)\n", engine,
              download.parent_path().c_str());
  std::printf("curl | openssl dgst     %.0f MB/s\n", dgst);
  std::printf("curl -o /dev/null       %.0f MB/s\n", curl_only);
  std::printf("engine / dgst pipeline  %.2f\n", engine / dgst);
  std::printf("engine / curl           %.2f\n", engine / curl_only);
  std::printf("progress events         %llu\n", static_cast<unsigned long long>(events));
  std::printf("peak resident memory    %ld KiB before the downloads, %ld KiB after them\n", resident_before,
              resident_after);

  if (!server.stop_cleanly()) std::fprintf(stderr, "the release server did not stop cleanly\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::uint64_t mebibytes = argc > 1 ? std::stoull(argv[1]) : 1024;
    if (mebibytes == 0) throw std::invalid_argument("size");
    const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
    if (rounds < 1) throw std::invalid_argument("rounds");
    return run(mebibytes, rounds);
  } catch (const std::invalid_argument&) {
    std::fprintf(stderr, "usage: quillmar-loopback-download-benchmark [MEBIBYTES [ROUNDS]]\n");
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillmar-loopback-download-benchmark: %s\n", error.what());
    return 1;
  }
}
