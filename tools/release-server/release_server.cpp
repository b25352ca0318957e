// The development release server: HTTPS on loopback, serving the catalogue, the
// signed handshake and package answers, and the setup packages of a releases
// folder, with switches that make it misbehave in every way the installer must
// survive. Host-only tool; the installer never links it.

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "answer_signer.h"
#include "answers.h"
#include "loopback_listener.h"
#include "package_body.h"
#include "package_head.h"
#include "release_store.h"
#include "server/release_parts.h"
#include "system/json_text.h"
#include "system/random.h"
#include "system/sha256.h"

namespace fs = std::filesystem;
using nlohmann::json;
using namespace quillmar;
using namespace quillmar::release_server;

namespace {

constexpr char kUsage[] =
    "usage: quillmar-release-server --releases FOLDER [options]\n"
    "  --port N                 listen on 127.0.0.1:N (0 picks a free port; default 47443)\n"
    "  --tls-dir FOLDER         the development TLS key set (default: the build's)\n"
    "  --unpinned-key           serve rogue.pem: same CA, a key that matches no pin\n"
    "  --signing-key PEM|URI    release-signing private key: a PEM file (default: the\n"
    "                           build's) or a pkcs11: URI of a key in a token\n"
    "  --pkcs11-module PATH     the token's PKCS#11 module, for a pkcs11: key\n"
    "  --pin-file FILE          the token's user PIN, for a pkcs11: key\n"
    "  --public-url URL         base of download_url (default https://localhost:PORT)\n"
    "  --request-log FILE       append each request received as a JSON line\n"
    "faults:\n"
    "  --status ENDPOINT=CODE   answer ENDPOINT (preflight, authorize, downloads,\n"
    "                           download) with status CODE\n"
    "  --fail-first ENDPOINT=N  answer the first N requests to ENDPOINT with status\n"
    "                           503, and the later ones as usual\n"
    "  --body ENDPOINT=TEXT     answer ENDPOINT with status 200 and TEXT as the body\n"
    "  --clock-offset SECONDS   shift server_time\n"
    "  --drop-member NAME       remove a top-level member after signing (repeatable)\n"
    "  --broken-signature       change the signature after signing\n"
    "  --wrong-nonce            echo another nonce than the request's\n"
    "  --float-member           sign an answer that carries 9.5\n"
    "  --answer-version V       name version V in the package answer, whatever was asked\n"
    "  --package-member NAME=JSON  set a package answer member before signing\n"
    "  --package-body KIND      short, long, wrong, slow or cut (off midway)\n"
    "  --slow-delay-ms N        pause between 16 KiB pieces of a slow body (default 50)\n"
    "  --drop-after N           drop the connection after N body bytes of a package\n"
    "                           answer (the first --drop-times answers; default 1)\n"
    "  --drop-times K           how many package answers --drop-after cuts\n"
    "  --stall-after N          after N body bytes of the first package answer, send\n"
    "                           nothing more and keep the connection open\n"
    "  --ignore-range           answer every package request 200 with the whole body\n"
    "  --validator KIND         what package answers carry: strong (an ETag, the\n"
    "                           default), weak (a weak ETag), last-modified, or none\n"
    "  --range-answer KIND      answer the first --range-answer-times range requests\n"
    "                           wrongly: other-start (a 206 from another byte),\n"
    "                           other-end (one that stops before the last byte),\n"
    "                           other-total (another package's bytes and size),\n"
    "                           new-etag (a changed package, If-Range ignored), or a\n"
    "                           status such as 416 or 503\n"
    "  --range-answer-times N   how many range requests --range-answer takes (default 1)\n"
    "  --served-log FILE        append a JSON line per package answer: status, first\n"
    "                           byte and body bytes sent\n";

struct Options {
  fs::path releases;
  int port = 47443;
  fs::path tls_dir = QUILLMAR_DEV_TLS_DIR;
  bool unpinned_key = false;
  SigningKeyLocation signing_key{QUILLMAR_DEV_SIGNING_KEY, {}, {}};
  std::string public_url;
  fs::path request_log;

  std::map<std::string, int> status;
  std::map<std::string, int> fail_first;
  std::map<std::string, std::string> body;
  long long clock_offset = 0;
  std::vector<std::string> drop_members;
  bool broken_signature = false;
  bool wrong_nonce = false;
  bool float_member = false;
  std::optional<std::string> answer_version;
  std::map<std::string, json> package_members;
  std::string package_body;
  int slow_delay_ms = 50;
  std::optional<std::uint64_t> drop_after;
  int drop_times = 1;
  std::optional<std::uint64_t> stall_after;
  bool ignore_range = false;
  std::string validators = "strong";
  std::optional<std::string> range_answer;
  int range_answer_times = 1;
  fs::path served_log;
};

const char* const kEndpoints[] = {"preflight", "authorize", "downloads", "download"};

bool split_pair(const std::string& text, std::string& name, std::string& value) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  name = text.substr(0, equals);
  value = text.substr(equals + 1);
  return true;
}

bool known_endpoint(const std::string& name) {
  for (const char* endpoint : kEndpoints) {
    if (name == endpoint) return true;
  }
  return false;
}

std::optional<Options> parse_options(int argc, char** argv, std::string& problem) {
  Options options;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    auto next = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    try {
      if (flag == "--unpinned-key") { options.unpinned_key = true; continue; }
      if (flag == "--broken-signature") { options.broken_signature = true; continue; }
      if (flag == "--wrong-nonce") { options.wrong_nonce = true; continue; }
      if (flag == "--float-member") { options.float_member = true; continue; }
      if (flag == "--ignore-range") { options.ignore_range = true; continue; }
      const auto value = next();
      if (!value) { problem = flag + " needs a value"; return std::nullopt; }
      std::string name, text;
      if (flag == "--releases") options.releases = *value;
      else if (flag == "--port") options.port = std::stoi(*value);
      else if (flag == "--tls-dir") options.tls_dir = *value;
      else if (read_signing_key_flag(flag, *value, options.signing_key)) continue;
      else if (flag == "--public-url") options.public_url = *value;
      else if (flag == "--request-log") options.request_log = *value;
      else if (flag == "--clock-offset") options.clock_offset = std::stoll(*value);
      else if (flag == "--drop-member") options.drop_members.push_back(*value);
      else if (flag == "--answer-version") options.answer_version = *value;
      else if (flag == "--slow-delay-ms") options.slow_delay_ms = std::stoi(*value);
      else if (flag == "--drop-after") options.drop_after = std::stoull(*value);
      else if (flag == "--drop-times") options.drop_times = std::stoi(*value);
      else if (flag == "--stall-after") options.stall_after = std::stoull(*value);
      else if (flag == "--served-log") options.served_log = *value;
      else if (flag == "--range-answer-times") options.range_answer_times = std::stoi(*value);
      else if (flag == "--validator") {
        if (!package_validators(*value, "", "")) {
          problem = "--validator takes strong, weak, last-modified or none";
          return std::nullopt;
        }
        options.validators = *value;
      } else if (flag == "--range-answer") {
        if (!known_hostile_range(*value)) {
          problem = "--range-answer takes other-start, other-end, other-total, new-etag or a status";
          return std::nullopt;
        }
        options.range_answer = *value;
      }
      else if (flag == "--package-body") {
        if (*value != "short" && *value != "long" && *value != "wrong" && *value != "slow" && *value != "cut") {
          problem = "--package-body takes short, long, wrong, slow or cut";
          return std::nullopt;
        }
        options.package_body = *value;
      } else if (flag == "--status" || flag == "--body" || flag == "--fail-first") {
        if (!split_pair(*value, name, text) || !known_endpoint(name)) {
          problem = flag + " takes ENDPOINT=VALUE with ENDPOINT one of preflight, authorize, downloads, download";
          return std::nullopt;
        }
        if (flag == "--status") options.status[name] = std::stoi(text);
        else if (flag == "--fail-first") options.fail_first[name] = std::stoi(text);
        else options.body[name] = text;
      } else if (flag == "--package-member") {
        if (!split_pair(*value, name, text)) { problem = "--package-member takes NAME=JSON"; return std::nullopt; }
        const json member = json::parse(text, nullptr, false);
        if (member.is_discarded()) { problem = "--package-member: " + text + " is not JSON"; return std::nullopt; }
        options.package_members[name] = member;
      } else {
        problem = "unknown option " + flag;
        return std::nullopt;
      }
    } catch (const std::exception&) {
      problem = flag + ": " + *std::prev(args.begin() + static_cast<long>(i) + 1) + " is not a number";
      return std::nullopt;
    }
  }
  if (options.releases.empty()) {
    problem = "--releases is required";
    return std::nullopt;
  }
  return options;
}

// SHA-256 of the certificate's SubjectPublicKeyInfo DER: the pin of the key served.
std::string served_key_pin(const fs::path& certificate_file) {
  FILE* file = std::fopen(certificate_file.c_str(), "r");
  if (file == nullptr) return "?";
  X509* certificate = PEM_read_X509(file, nullptr, nullptr, nullptr);
  std::fclose(file);
  if (certificate == nullptr) return "?";
  unsigned char* der = nullptr;
  const int size = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &der);
  std::string pin = "?";
  if (size > 0) pin = to_hex(sha256_of(std::string_view(reinterpret_cast<char*>(der), static_cast<std::size_t>(size))));
  OPENSSL_free(der);
  X509_free(certificate);
  return pin;
}

// The time FILE last changed, as an HTTP date (Last-Modified).
std::string http_date(const fs::path& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) return {};
  std::tm parts{};
  gmtime_r(&status.st_mtime, &parts);
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts));
}

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReleaseServer {
 public:
  ReleaseServer(Options options, ReleaseStore store, std::optional<AnswerSigner> signer)
      : options_(std::move(options)),
        failures_left_(options_.fail_first),
        store_(std::move(store)),
        signer_(std::move(signer)) {}

  void route(httplib::Server& server) {
    // A request line may name its target in absolute form, as every HTTP/1.1 server
    // must accept; Wine's WinHTTP writes it so inside a proxy's tunnel.
    const std::string absolute = "(?:https://[^/]+)?";
    server.Post(absolute + kPreflightPath, [this](const httplib::Request& request, httplib::Response& response) {
      record(request);
      if (injected("preflight", response)) return;
      reply_signed(response, signed_answer(json::object(), request));
    });
    server.Post(absolute + kAuthorizePath, [this](const httplib::Request& request, httplib::Response& response) {
      record(request);
      if (injected("authorize", response)) return;
      authorize(request, response);
    });
    server.Get(absolute + kCataloguePath, [this](const httplib::Request& request, httplib::Response& response) {
      record(request);
      if (injected("downloads", response)) return;
      reply_json(response, store_.catalogue());
    });
    server.Get(absolute + kDownloadPath + "([0-9a-f]{64})/([^/]+)",
               [this](const httplib::Request& request, httplib::Response& response) {
                 record(request);
                 if (injected("download", response)) return;
                 download(request, response);
               });
  }

  void set_public_url(std::string url) { public_url_ = std::move(url); }

 private:
  void record(const httplib::Request& request) {
    if (options_.request_log.empty()) return;
    json headers = json::object();
    for (const auto& [name, value] : request.headers) {
      if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" && name != "LOCAL_PORT") {
        headers[name] = value;
      }
    }
    const json line = {{"method", request.method}, {"path", request.path}, {"headers", headers}, {"body", request.body}};
    std::lock_guard<std::mutex> lock(log_mutex_);
    std::ofstream out(options_.request_log, std::ios::app | std::ios::binary);
    out << compact_json(line) << '\n';
  }

  bool injected(const std::string& endpoint, httplib::Response& response) {
    std::optional<int> status;
    if (take_failure(endpoint)) status = 503;
    else if (const auto code = options_.status.find(endpoint); code != options_.status.end()) status = code->second;
    if (status) {
      response.status = *status;
      if (*status != 204 && *status != 304) {
        response.set_content(R"({"error":"injected by the development server"})", "application/json");
      }
      return true;
    }
    if (const auto body = options_.body.find(endpoint); body != options_.body.end()) {
      response.status = 200;
      response.set_content(body->second, "application/json");
      return true;
    }
    return false;
  }

  // A fault that clears by itself: the first requests fail, and a retry succeeds.
  bool take_failure(const std::string& endpoint) {
    std::lock_guard<std::mutex> lock(failures_mutex_);
    const auto left = failures_left_.find(endpoint);
    if (left == failures_left_.end() || left->second <= 0) return false;
    --left->second;
    return true;
  }

  static void reply_json(httplib::Response& response, const json& answer) {
    response.status = 200;
    response.set_content(compact_json(answer), "application/json");
  }

  // The answer as the signing service makes it, with the faults before signing
  // (another nonce, a shifted clock) and those that must come after it.
  Result<json> signed_answer(json answer, const httplib::Request& request) const {
    std::string nonce = read_answer_request(request.body).nonce;
    if (options_.wrong_nonce) nonce = random_hex(24).value();
    const auto now = std::chrono::system_clock::now() + std::chrono::seconds(options_.clock_offset);
    auto signed_answer = release_server::signed_answer(std::move(answer), nonce, server_time(now),
                                                       signer_ ? &*signer_ : nullptr);
    if (!signed_answer) return signed_answer;
    answer = std::move(signed_answer).value();
    // Added after signing: an answer with a floating-point number has no canonical
    // form to sign, and the installer refuses it before it looks at the signature.
    if (options_.float_member) answer["price"] = 9.5;
    for (const std::string& member : options_.drop_members) answer.erase(member);
    if (options_.broken_signature && answer.contains("signature") && answer["signature"].is_string()) {
      std::string signature = answer["signature"];
      if (!signature.empty()) signature[0] = signature[0] == 'A' ? 'B' : 'A';
      answer["signature"] = signature;
    }
    return answer;
  }

  void authorize(const httplib::Request& request, httplib::Response& response) const {
    const Release* release = chosen_release(store_, read_answer_request(request.body));
    if (release == nullptr) {
      reply_no_such_release(response);
      return;
    }
    json answer = package_answer(*release, public_url_);
    if (options_.answer_version) answer["version"] = *options_.answer_version;
    for (const auto& [name, value] : options_.package_members) answer[name] = value;
    reply_signed(response, signed_answer(std::move(answer), request));
  }

  // The wrong range answer to give to this range request, while any are left.
  std::optional<std::string> take_range_answer() {
    std::lock_guard<std::mutex> lock(failures_mutex_);
    if (!options_.range_answer || range_answers_ >= options_.range_answer_times) return std::nullopt;
    ++range_answers_;
    return options_.range_answer;
  }

  // The faults of the next package answer: each of the first --drop-times answers
  // is cut, the first answer alone stalls.
  struct BodyFaults {
    std::optional<std::uint64_t> drop_after;
    std::optional<std::uint64_t> stall_after;
  };
  BodyFaults take_body_faults() {
    std::lock_guard<std::mutex> lock(failures_mutex_);
    BodyFaults faults;
    if (options_.drop_after && package_answers_ < options_.drop_times) faults.drop_after = options_.drop_after;
    if (options_.stall_after && package_answers_ == 0) faults.stall_after = options_.stall_after;
    ++package_answers_;
    return faults;
  }

  void record_served(int status, std::uint64_t start, std::uint64_t bytes) {
    if (options_.served_log.empty()) return;
    const json line = {{"status", status}, {"from", start}, {"bytes", bytes}};
    std::lock_guard<std::mutex> lock(log_mutex_);
    std::ofstream out(options_.served_log, std::ios::app | std::ios::binary);
    out << compact_json(line) << '\n';
  }

  void download(const httplib::Request& request, httplib::Response& response) {
    const Release* release = store_.find_package(request.matches[1], request.matches[2]);
    if (release == nullptr) {
      response.status = 404;
      return;
    }
    std::string problem;
    auto body = PackageBody::open(release->package_path, options_.package_body,
                                  std::chrono::milliseconds(options_.slow_delay_ms), problem);
    if (!body) {
      std::fprintf(stderr, "quillmar-release-server: %s\n", problem.c_str());
      response.status = 500;
      return;
    }
    const auto header = [&request](const char* name) -> std::optional<std::string> {
      if (!request.has_header(name)) return std::nullopt;
      return request.get_header_value(name);
    };
    const PackageValidators validators =
        *package_validators(options_.validators, release->sha256, http_date(release->package_path));
    std::optional<std::uint64_t> start = requested_start(header("Range"), header("If-Range"), validators.if_range);
    if (options_.ignore_range) start.reset();
    const std::optional<std::string> hostile = start ? take_range_answer() : std::nullopt;
    PackageHead head = package_head(start, body->announced_size(), validators, hostile);
    if (options_.ignore_range) head.headers.erase("Accept-Ranges");
    // The range is answered here; httplib must not cut the body a second time.
    const_cast<httplib::Request&>(request).ranges.clear();  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    response.status = head.status;
    for (const auto& [name, value] : head.headers) response.set_header(name, value);
    if (head.status != 200 && head.status != 206) return;
    const std::uint64_t first = head.first;
    const bool other_bytes = head.other_bytes;
    const BodyFaults faults = take_body_faults();
    auto buffer = std::make_shared<std::vector<char>>(body->piece_size());
    auto served = std::make_shared<std::uint64_t>(0);
    response.set_content_provider(
        static_cast<std::size_t>(head.length), "application/octet-stream",
        [this, body, buffer, served, first, faults, other_bytes](std::size_t offset, std::size_t length,
                                                                httplib::DataSink& sink) {
          std::size_t wanted = std::min(length, buffer->size());
          if (faults.drop_after) {
            // Cut here: the head promised every byte, the connection ends now.
            if (offset >= *faults.drop_after) return false;
            wanted = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, *faults.drop_after - offset));
          }
          if (faults.stall_after) {
            if (offset >= *faults.stall_after) {
              stall();
              return false;
            }
            wanted = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, *faults.stall_after - offset));
          }
          const std::size_t count = body->read(first + offset, buffer->data(), wanted);
          if (other_bytes) std::for_each(buffer->data(), buffer->data() + count, [](char& byte) { byte ^= 0x5a; });
          // Nothing to give short of the announced size ends the connection there.
          if (count == 0 || !sink.write(buffer->data(), count)) return false;
          *served += count;
          return true;
        },
        [this, served, first, status = response.status](bool) { record_served(status, first, *served); });
  }

  // Sends nothing more and keeps the connection open, until the server stops or
  // two minutes have passed; the client is expected to give up first.
  static void stall() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!stopping.load() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

 public:
  // Set once a stop signal came, so a stalled answer lets its thread go.
  static inline std::atomic<bool> stopping{false};

 private:
  Options options_;
  std::map<std::string, int> failures_left_;
  int package_answers_ = 0;
  int range_answers_ = 0;
  std::mutex failures_mutex_;
  ReleaseStore store_;
  std::optional<AnswerSigner> signer_;
  std::string public_url_;
  mutable std::mutex log_mutex_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string problem;
  auto options = parse_options(argc, argv, problem);
  if (!options) {
    std::fprintf(stderr, "quillmar-release-server: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  ReleaseStore store = ReleaseStore::load(options->releases, problem);
  if (!problem.empty()) {
    std::fprintf(stderr, "quillmar-release-server: %s\n", problem.c_str());
    return 1;
  }

  std::optional<AnswerSigner> signer;
  if (!options->signing_key.key.empty()) {
    auto loaded = AnswerSigner::open(options->signing_key);
    if (!loaded) {
      std::fprintf(stderr, "quillmar-release-server: %s\n", loaded.error().message.c_str());
      return 1;
    }
    signer = std::move(loaded).value();
  }

  const std::string leaf = options->unpinned_key ? "rogue" : "server";
  const fs::path certificate = options->tls_dir / (leaf + ".pem");
  const fs::path key = options->tls_dir / (leaf + ".key");
  httplib::SSLServer server(certificate.c_str(), key.c_str());
  if (!server.is_valid()) {
    std::fprintf(stderr, "quillmar-release-server: cannot use %s and %s\n", certificate.c_str(), key.c_str());
    return 1;
  }

  LoopbackListener listener;
  const int port = LoopbackListener::bind(server, options->port);
  if (port < 0) {
    std::fprintf(stderr, "quillmar-release-server: cannot listen on 127.0.0.1:%d\n", options->port);
    return 1;
  }

  const std::string base_url = "https://localhost:" + std::to_string(port);
  ReleaseServer release_server(*options, std::move(store), std::move(signer));
  release_server.set_public_url(options->public_url.empty() ? base_url : options->public_url);
  release_server.route(server);
  // Short keep-alive, so a stop signal does not wait long for idle connections.
  server.set_keep_alive_timeout(1);

  std::printf("base URL: %s\n", base_url.c_str());
  std::printf("pins: %s\n", read_text(options->tls_dir / "pins.txt").c_str());
  std::printf("served key: %s%s\n", served_key_pin(certificate).c_str(), options->unpinned_key ? " (unpinned)" : "");
  std::fflush(stdout);

  listener.listen_until_stopped(server, ReleaseServer::stopping);
  return 0;
}
