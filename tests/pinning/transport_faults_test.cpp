// The HTTP agent against peers that stall or hold a rogue key, on both builds (the
// Windows one under Wine): stalling-listeners-run starts the listeners on loopback
// and passes their URLs here. Every wait asserted here has a generous upper bound
// that only proves the request ended; the measured times are printed.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include "pinning/http_agent.h"
#include "support/scratch.h"
#include "system/paths.h"
#include "transport_expectations.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The agent's limits are its parameters, so the stalls are tried with short ones;
// QUILLMAR_TEST_REAL_LIMITS=1 gives the release client's own (10 s and 30 s) for
// a measurement.
AgentSettings settings_for(const std::string& url) {
  AgentSettings settings;
  settings.user_agent = "Quillmar-Installer/1.5.13";
  const bool real = variable("QUILLMAR_TEST_REAL_LIMITS") == "1";
  settings.connect_limit = real ? 10s : 2s;
  settings.head_limit = real ? 30s : 3s;
  const auto pins = parse_pins(variable("QUILLMAR_TEST_PINS"));
  EXPECT_TRUE(pins.ok());
  settings.pinned = PinnedTls::for_base_url(url, pins.value());
  settings.extra_trust_anchor_pem = variable("QUILLMAR_TEST_CA_PEM");
  return settings;
}

std::shared_ptr<const HttpAgent> agent_for(const std::string& url) {
  auto agent = HttpAgent::create(settings_for(url));
  EXPECT_TRUE(agent.ok()) << agent.error().message;
  return agent.value();
}

HttpRequest get(const std::string& url) {
  HttpRequest request;
  request.method = "GET";
  request.url = url + "/api/v1/installer/download/1.5.13/quillmar-setup-1.5.13.exe";
  return request;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(TransportFaults, AStalledPeerEndsTheRequestAtItsLimit) {
  const std::string silent = variable("QUILLMAR_TEST_SILENT_URL");
  const std::string no_head = variable("QUILLMAR_TEST_NO_HEAD_URL");
  struct Case {
    const char* name;
    std::string url;
    std::chrono::seconds limit;
  };
  const Case cases[] = {
      {"handshake never finishes", silent, settings_for(silent).connect_limit},
      {"no response head", no_head, settings_for(no_head).head_limit},
  };
  for (const Case& test : cases) {
    const auto start = Clock::now();
    const auto response = agent_for(test.url)->send(get(test.url));
    const double elapsed = seconds_since(start);
    std::printf("%s: failed after %.2f s (limit %lld s)\n", test.name, elapsed,
                static_cast<long long>(test.limit.count()));
    EXPECT_FALSE(response.ok()) << test.name;
    EXPECT_GT(elapsed, static_cast<double>(test.limit.count()) - 0.5) << test.name;
    EXPECT_LT(elapsed, static_cast<double>(test.limit.count()) + 5.0) << test.name;
  }
}

TEST(TransportFaults, ACancelEndsAWaitingRequestWithinASecond) {
  const std::string no_head = variable("QUILLMAR_TEST_NO_HEAD_URL");
  const std::string stall_body = variable("QUILLMAR_TEST_STALL_BODY_URL");
  for (const bool head_arrives : {false, true}) {
    const std::string url = head_arrives ? stall_body : no_head;
    std::atomic<bool> cancel{false};
    HttpRequest request = get(url);
    request.cancel = &cancel;
    Clock::time_point cancelled_at;
    std::thread canceller([&] {
      std::this_thread::sleep_for(700ms);
      cancelled_at = Clock::now();
      cancel = true;
    });
    const auto agent = agent_for(url);
    auto response = agent->send(request);
    Result<std::size_t> read = std::size_t{0};
    if (response.ok()) {
      std::vector<std::uint8_t> buffer(65536);
      do read = response.value()->read(buffer.data(), buffer.size());
      while (read.ok() && read.value() > 0);
    }
    const auto ended_at = Clock::now();
    canceller.join();
    const double elapsed = std::chrono::duration<double>(ended_at - cancelled_at).count();
    const char* stage = head_arrives ? "waiting for the body" : "waiting for the head";
    std::printf("cancel %s: ended %.3f s after the flag was set\n", stage, elapsed);
    EXPECT_EQ(response.ok(), head_arrives) << stage;
    const std::string error = response.ok() ? (read.ok() ? "" : read.error().message) : response.error().message;
    EXPECT_EQ(error, kRequestCancelled) << stage;
    EXPECT_LT(elapsed, 1.0) << stage;
  }
}

TEST(TransportFaults, TheBodyOrStallLimitEndsABodyThatStalls) {
  const std::string url = variable("QUILLMAR_TEST_STALL_BODY_URL");
  struct Case {
    const char* name;
    std::chrono::seconds body_limit;
    std::optional<std::chrono::milliseconds> stall_limit;
    std::string error;
    double at_least, below;  // seconds
  };
  // The listener never closes, so the stall row keeps a longer body limit: without
  // the stall limit it ends there, with the body limit's text, instead of hanging.
  const Case cases[] = {
      {"body limit", 2s, std::nullopt, "the response body took longer than its time limit", 1.5, 7.0},
      {"stall limit", 8s, 1000ms, stalled_body_text(1000ms), 0.5, 6.0},
  };
  for (const Case& test : cases) {
    HttpRequest request = get(url);
    request.body_limit = test.body_limit;
    request.stall_limit = test.stall_limit;
    const auto agent = agent_for(url);
    auto response = agent->send(request);
    ASSERT_TRUE(response.ok()) << test.name << ": " << response.error().message;
    const auto start = Clock::now();
    std::vector<std::uint8_t> buffer(65536);
    std::size_t received = 0;
    Result<std::size_t> read = std::size_t{0};
    do {
      read = response.value()->read(buffer.data(), buffer.size());
      if (read.ok()) received += read.value();
    } while (read.ok() && read.value() > 0);
    const double elapsed = seconds_since(start);
    std::printf("stalled body, %s: failed after %.2f s\n", test.name, elapsed);
    EXPECT_EQ(received, 1000u) << test.name;
    ASSERT_FALSE(read.ok()) << test.name << ": a stalled body must not read as complete";
    EXPECT_EQ(read.error().message, test.error) << test.name;
    EXPECT_GT(elapsed, test.at_least) << test.name;
    EXPECT_LT(elapsed, test.below) << test.name;
  }
}

TEST(TransportFaults, ARogueKeyIsRefusedAtOnceAndLearnsNothingItShouldNot) {
  const std::string url = variable("QUILLMAR_TEST_ROGUE_URL");
  const auto agent = agent_for(url);
  HttpRequest post;
  post.method = "POST";
  post.url = url + "/api/v1/installer/preflight";
  post.headers = {{"Accept", "application/json"}, {"Content-Type", "application/json; charset=utf-8"}};
  post.body = R"({"nonce":"secret-nonce"})";
  for (const HttpRequest& request : {post, get(url)}) {
    const auto start = Clock::now();
    const auto response = agent->send(request);
    const double elapsed = seconds_since(start);
    std::printf("rogue key, %s: refused after %.3f s (%s)\n", request.method.c_str(), elapsed,
                response.ok() ? "answered" : response.error().message.c_str());
    EXPECT_FALSE(response.ok()) << request.method;
    // The listener never closes: a refusal that waits for it would hang here.
    EXPECT_LT(elapsed, 5.0) << request.method;
  }
  // Each refused connection is closed by the agent, not kept for a later request:
  // the listener sees both end, and only then is what it recorded complete.
  const Path closed_file = path_from_text(variable("QUILLMAR_TEST_ROGUE_CLOSED"));
  const auto waited_from = Clock::now();
  while (testing::read_file(closed_file) != "closed\nclosed\n" && seconds_since(waited_from) < 5.0) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(testing::read_file(closed_file), "closed\nclosed\n");
  const std::string port = url.substr(url.rfind(':') + 1);
  const testing::RogueExpectation expected = testing::rogue_key_expectation(port);
  EXPECT_EQ(testing::read_file(path_from_text(variable("QUILLMAR_TEST_ROGUE_RECORD"))), expected.received);
  EXPECT_EQ(testing::read_file(path_from_text(variable("QUILLMAR_TEST_ROGUE_ALPN"))), expected.offered_alpn);
}

}  // namespace
}  // namespace quillmar
