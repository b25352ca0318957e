// The signing service: answers the installer's two signed requests, preflight and
// authorize, over plain HTTP on loopback, behind a front that holds the TLS key and
// serves the catalogue and the packages as files. Its only state is what the
// releases folder describes, read at start and again whenever it changes, so any
// number of copies can run side by side and a request may reach any of them: each
// answer is bound to its own request's nonce. Host-only tool.

#include <httplib.h>

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "answer_signer.h"
#include "answers.h"
#include "loopback_listener.h"
#include "release_store.h"
#include "server/release_parts.h"

namespace fs = std::filesystem;
using namespace quillmar;
using namespace quillmar::release_server;

namespace {

constexpr char kUsage[] =
    "usage: quillmar-answer-service --releases FOLDER --public-url URL [options]\n"
    "  --public-url URL         the base URL installers use, which download_url begins with\n"
    "  --port N                 listen on 127.0.0.1:N over plain HTTP (default 0: a free port)\n"
    "  --signing-key PEM|URI    release-signing private key: a PEM file (default: the\n"
    "                           build's) or a pkcs11: URI of a key in a token\n"
    "  --pkcs11-module PATH     the token's PKCS#11 module, for a pkcs11: key\n"
    "  --pin-file FILE          the token's user PIN, for a pkcs11: key\n";

// Threads answering requests; see new_task_queue below.
constexpr std::size_t kThreads = 32;

struct Options {
  fs::path releases;
  std::string public_url;
  int port = 0;
  SigningKeyLocation signing_key{QUILLMAR_DEV_SIGNING_KEY, {}, {}};
};

std::optional<Options> parse_options(int argc, char** argv, std::string& problem) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) {
      problem = flag + " needs a value";
      return std::nullopt;
    }
    const std::string value = argv[++i];
    if (flag == "--releases") {
      options.releases = value;
    } else if (flag == "--public-url") {
      options.public_url = trim_base_url(value);
    } else if (flag == "--port") {
      try {
        std::size_t used = 0;
        options.port = std::stoi(value, &used);
        if (used != value.size() || options.port < 0 || options.port > 65535) throw std::out_of_range(value);
      } catch (const std::exception&) {
        problem = "--port: " + value + " is not a port number";
        return std::nullopt;
      }
    } else if (!read_signing_key_flag(flag, value, options.signing_key)) {
      problem = "unknown option " + flag;
      return std::nullopt;
    }
  }
  if (options.releases.empty()) problem = "--releases is required";
  else if (options.public_url.empty()) problem = "--public-url is required";
  if (!problem.empty()) return std::nullopt;
  return options;
}

// The releases folder as last read. Requests take the current reading and keep it
// while they answer; a new reading replaces it whole.
class CurrentReleases {
 public:
  explicit CurrentReleases(ReleaseStore store) : store_(std::make_shared<const ReleaseStore>(std::move(store))) {}

  std::shared_ptr<const ReleaseStore> get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return store_;
  }

  // Reads FOLDER again and takes the reading when it differs. A folder that cannot
  // be read keeps the last good reading, and the problem is told once.
  void refresh(const fs::path& folder) {
    std::string problem;
    ReleaseStore store = ReleaseStore::load(folder, problem);
    if (!problem.empty()) {
      if (problem != last_problem_) std::fprintf(stderr, "quillmar-answer-service: %s; keeping the last reading\n",
                                                 problem.c_str());
      last_problem_ = problem;
      return;
    }
    last_problem_.clear();
    if (store == *get()) return;
    std::printf("releases read again: %zu, newest %s\n", store.releases.size(),
                store.newest() != nullptr ? store.newest()->version.c_str() : "none");
    std::fflush(stdout);
    auto reading = std::make_shared<const ReleaseStore>(std::move(store));
    std::lock_guard<std::mutex> lock(mutex_);
    store_ = std::move(reading);
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const ReleaseStore> store_;
  std::string last_problem_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string problem;
  const auto options = parse_options(argc, argv, problem);
  if (!options) {
    std::fprintf(stderr, "quillmar-answer-service: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  ReleaseStore first_reading = ReleaseStore::load(options->releases, problem);
  if (!problem.empty()) {
    std::fprintf(stderr, "quillmar-answer-service: %s\n", problem.c_str());
    return 1;
  }
  auto opened = AnswerSigner::open(options->signing_key);
  if (!opened) {
    std::fprintf(stderr, "quillmar-answer-service: %s\n", opened.error().message.c_str());
    return 1;
  }
  const AnswerSigner signer = std::move(opened).value();

  LoopbackListener listener;
  httplib::Server server;
  const int port = LoopbackListener::bind(server, options->port);
  if (port < 0) {
    std::fprintf(stderr, "quillmar-answer-service: cannot listen on 127.0.0.1:%d\n", options->port);
    return 1;
  }

  CurrentReleases releases(std::move(first_reading));
  const auto now = [] { return server_time(std::chrono::system_clock::now()); };
  server.Post(kPreflightPath, [&](const httplib::Request& request, httplib::Response& response) {
    const AnswerRequest asked = read_answer_request(request.body);
    reply_signed(response, signed_answer(nlohmann::json::object(), asked.nonce, now(), &signer));
  });
  server.Post(kAuthorizePath, [&](const httplib::Request& request, httplib::Response& response) {
    const AnswerRequest asked = read_answer_request(request.body);
    const auto store = releases.get();
    const Release* release = chosen_release(*store, asked);
    if (release == nullptr) {
      reply_no_such_release(response);
      return;
    }
    reply_signed(response, signed_answer(package_answer(*release, options->public_url), asked.nonce, now(), &signer));
  });
  // The front sends nothing else here; anything else is not this service's.
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (response.body.empty()) response.set_content(R"({"error":"not found"})", "application/json");
  });
  server.set_payload_max_length(64 * 1024);
  // Each connection the front keeps open holds a thread while it waits, so there
  // are more threads than the front keeps connections (nginx.conf's keepalive).
  server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server.set_keep_alive_timeout(5);

  // A poll once a second: cheap for a folder of a few descriptions, and it needs
  // nothing of the file system beyond reading it.
  std::jthread watcher([&](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait_for(lock, stop, std::chrono::seconds(1), [] { return false; });
      if (stop.stop_requested()) return;
      releases.refresh(options->releases);
    }
  });

  std::printf("listening on http://127.0.0.1:%d\n", port);
  std::fflush(stdout);
  std::atomic<bool> stopping{false};
  listener.listen_until_stopped(server, stopping);
  return 0;
}
