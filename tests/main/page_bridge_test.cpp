#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "main/bridge/event_loop_handler.h"
#include "main/bridge/page_bridge.h"
#include "main/bridge/user_events.h"
#include "support/scratch.h"
#include "system/installer_log.h"
#include "system/json_text.h"
#include "system/paths.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Everything the bridge hands to its host, recorded; workers block on a gate the
// test opens, so "while an installation runs" is a state the test controls.
class BridgeFixture : public ::testing::Test {
 protected:
  BridgeFixture() : log_(InstallerLog::open_in(Path(scratch_.path()))) {}

  PageBridge make_bridge() {
    BridgeHost host;
    host.send_event = [this](InstallerEvent event) {
      std::lock_guard lock(mutex_);
      events_.push_back(compact_json(event));
      changed_.notify_all();
    };
    host.post_close = [this] {
      std::lock_guard lock(mutex_);
      ++closes_;
    };
    host.choose_folder = [this](const std::optional<Path>& start) {
      chooser_starts_.push_back(start ? std::optional(standard_path(*start)) : std::nullopt);
      return chooser_answer_;
    };
    host.free_bytes = [this](const Path& folder) -> std::optional<std::uint64_t> {
      free_bytes_asked_.push_back(standard_path(folder));
      return free_bytes_answer_;
    };
    BridgeWorkers workers;
    workers.catalogue = [this] {
      ++catalogue_runs_;
      gate_.wait();
      return ReleaseResult<ReleaseList>(ReleaseList{});
    };
    workers.install = [this](const InstallRequest& request, std::atomic<bool>& cancel, const ProgressSender& send) {
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        cancel_at_start_ = cancel.load();
      }
      send(StepReached{StepReached::Step::kVerify});
      gate_.wait();
      cancel_seen_ = cancel.load();
      return install_outcome_;
    };
    workers.launch = [this](const Path& folder) { launched_.push_back(standard_path(folder)); };
    return PageBridge(std::move(host), std::move(workers), log_);
  }

  std::vector<std::string> wait_for_events(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, 10s, [&] { return events_.size() >= count; });
    return events_;
  }

  std::vector<std::string> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

  static void wait_until_idle(const PageBridge& bridge) {
    for (int i = 0; i < 1000 && bridge.busy(); ++i) std::this_thread::sleep_for(10ms);
  }

  std::string log_text() { return testing::read_file(scratch_.path() / "installer.log"); }

  testing::ScratchFolder scratch_;
  std::shared_ptr<InstallerLog> log_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
  int closes_ = 0;
  std::vector<std::optional<fs::path>> chooser_starts_;
  std::optional<Path> chooser_answer_;
  std::vector<fs::path> free_bytes_asked_;
  std::optional<std::uint64_t> free_bytes_answer_ = 123456789012345ULL;
  std::atomic<int> catalogue_runs_{0};
  std::vector<InstallRequest> requests_;
  bool cancel_at_start_ = true;
  std::atomic<bool> cancel_seen_{false};
  InstallOutcome install_outcome_ = InstallSuccess{"/opt/Quill \"mar\"", "1.5.13"};
  std::vector<fs::path> launched_;
  std::shared_future<void> gate_;
  std::promise<void> open_gate_;

  void SetUp() override { gate_ = open_gate_.get_future().share(); }
  void TearDown() override {
    try {
      open_gate_.set_value();
    } catch (const std::future_error&) {
    }
  }
};

TEST_F(BridgeFixture, OneInstallRunsAtATimeAndItsSuccessIsLoggedSentAndLaunchable) {
  PageBridge bridge = make_bridge();
  bridge.set_cancel();  // a stale cancel from before must not stop the new run
  bridge.dispatch(R"({"type":"install","dir":"/opt/x","desktopShortcut":true,"version":"1.5.13"})");
  bridge.dispatch(R"({"type":"install","dir":"/opt/other"})");
  bridge.dispatch(R"({"type":"preflight"})");
  ASSERT_EQ(wait_for_events(1).size(), 1u);
  EXPECT_TRUE(bridge.busy());
  open_gate_.set_value();
  const auto sent = wait_for_events(2);
  wait_until_idle(bridge);

  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].dir, "/opt/x");
  EXPECT_TRUE(requests_[0].desktop_shortcut);
  EXPECT_FALSE(requests_[0].start_menu);
  EXPECT_EQ(requests_[0].version, "1.5.13");
  EXPECT_FALSE(cancel_at_start_);
  EXPECT_EQ(catalogue_runs_, 0);
  EXPECT_EQ(sent, (std::vector<std::string>{R"({"pct":100,"phase":"verify","type":"progress"})",
                                            R"({"dir":"/opt/Quill \"mar\"","type":"installed","version":"1.5.13"})"}));
  EXPECT_EQ(log_text(), "installed 1.5.13 at /opt/Quill \"mar\"\n");

  bridge.dispatch(R"({"type":"launch"})");
  EXPECT_EQ(launched_, std::vector<fs::path>{fs::path("/opt/Quill \"mar\"")});
  EXPECT_EQ(closes_, 1);
  EXPECT_TRUE(bridge.cancel_requested());
}

TEST_F(BridgeFixture, AFailedInstallIsLoggedAndSentUnchangedAndCancelReachesTheWorker) {
  install_outcome_ = InstallFailure{InstallFailure::Reason::kCancelled, std::nullopt, std::nullopt, std::nullopt};
  PageBridge bridge = make_bridge();
  bridge.dispatch(R"({"type":"install","dir":"/opt/x"})");
  wait_for_events(1);
  bridge.dispatch(R"({"type":"cancel"})");
  open_gate_.set_value();
  const auto sent = wait_for_events(2);
  wait_until_idle(bridge);
  EXPECT_TRUE(cancel_seen_);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1], R"({"reason":"cancelled","type":"failed"})");
  EXPECT_EQ(log_text(), "install failed: {\"reason\":\"cancelled\",\"type\":\"failed\"}\n");
  EXPECT_EQ(closes_, 0);  // cancel asks the worker to stop; it does not close

  // No success in this run: launch starts nothing but still closes.
  bridge.dispatch(R"({"type":"launch"})");
  EXPECT_TRUE(launched_.empty());
  EXPECT_EQ(closes_, 1);
}

TEST_F(BridgeFixture, PreflightRunsOnceAtATimeAndFreesTheBusyFlagBeforeItsEvent) {
  PageBridge bridge = make_bridge();
  bridge.dispatch(R"({"type":"preflight"})");
  bridge.dispatch(R"({"type":"preflight"})");
  bridge.dispatch(R"({"type":"install","dir":"/opt/x"})");
  for (int i = 0; i < 100 && catalogue_runs_ == 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(bridge.busy());
  open_gate_.set_value();
  const auto sent = wait_for_events(1);
  wait_until_idle(bridge);
  EXPECT_EQ(catalogue_runs_, 1);
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(sent, std::vector<std::string>{R"({"ok":true,"releases":[],"type":"preflight"})"});
  EXPECT_FALSE(bridge.busy());
}

TEST_F(BridgeFixture, DiskSpaceAndChooseFolderAnswerWithAFolderEvent) {
  PageBridge bridge = make_bridge();
  bridge.dispatch(R"({"type":"diskSpace","dir":"/not/yet/there"})");
  free_bytes_answer_ = std::nullopt;
  bridge.dispatch(R"({"type":"diskSpace","dir":"/unknown"})");
  bridge.dispatch(R"({"type":"diskSpace"})");  // the empty text names no folder: null, nothing asked

  bridge.dispatch(R"({"type":"chooseFolder","dir":"/picked/before"})");  // cancelled: nothing sent
  chooser_answer_ = Path(fs::path("/home/u/Tools"));
  free_bytes_answer_ = 42;
  bridge.dispatch(compact_json({{"type", "chooseFolder"}, {"dir", path_to_text(Path(scratch_.path() / "Quillmar"))}}));

  EXPECT_EQ(events(), (std::vector<std::string>{
                          R"({"dir":"/not/yet/there","freeBytes":123456789012345,"type":"folder"})",
                          R"({"dir":"/unknown","freeBytes":null,"type":"folder"})",
                          R"({"dir":"","freeBytes":null,"type":"folder"})",
                          compact_json({{"dir", path_to_text(Path(fs::path("/home/u/Tools") / "Quillmar"))},
                                        {"freeBytes", 42},
                                        {"type", "folder"}}),
                      }));
  EXPECT_EQ(free_bytes_asked_,
            (std::vector<fs::path>{"/not/yet/there", "/unknown", fs::path("/home/u/Tools") / "Quillmar"}));
  ASSERT_EQ(chooser_starts_.size(), 2u);
  EXPECT_EQ(chooser_starts_[0], std::nullopt);  // "/picked" does not exist
  EXPECT_EQ(chooser_starts_[1], scratch_.path());
}

TEST_F(BridgeFixture, CloseSetsCancelAndMalformedMessagesDoNothing) {
  PageBridge bridge = make_bridge();
  for (const char* text : {"", "{", R"({"type":1})", R"({"type":"unknown"})", R"(["close"])"}) bridge.dispatch(text);
  EXPECT_TRUE(events().empty());
  EXPECT_EQ(closes_, 0);
  EXPECT_FALSE(bridge.cancel_requested());
  bridge.dispatch(R"({"type":"close"})");
  EXPECT_EQ(closes_, 1);
  EXPECT_TRUE(bridge.cancel_requested());
}

TEST(PageBridge, WithoutWorkersPreflightAndInstallAreDroppedNotAnswered) {
  std::vector<InstallerEvent> sent;
  BridgeHost host;
  host.send_event = [&](InstallerEvent event) { sent.push_back(std::move(event)); };
  PageBridge bridge(std::move(host), BridgeWorkers{}, nullptr);
  bridge.dispatch(R"({"type":"preflight"})");
  bridge.dispatch(R"({"type":"install","dir":"/x"})");
  EXPECT_FALSE(bridge.busy());
  EXPECT_TRUE(sent.empty());
}

// The install worker never throws (it ends every run with an outcome); the
// catalogue worker is answered for at its thread's edge.
TEST(PageBridge, AThrowingCatalogueWorkerStillFreesTheRunAndAnswersThePage) {
  std::mutex mutex;
  std::vector<std::string> sent;
  BridgeHost host;
  host.send_event = [&](InstallerEvent event) {
    std::lock_guard lock(mutex);
    sent.push_back(compact_json(event));
  };
  BridgeWorkers workers;
  workers.catalogue = []() -> ReleaseResult<ReleaseList> { throw std::runtime_error("boom"); };
  PageBridge bridge(std::move(host), std::move(workers), nullptr);
  bridge.dispatch(R"({"type":"preflight"})");
  for (int i = 0; i < 1000 && bridge.busy(); ++i) std::this_thread::sleep_for(10ms);
  std::lock_guard lock(mutex);
  EXPECT_FALSE(bridge.busy());
  EXPECT_EQ(sent, std::vector<std::string>{R"({"ok":false,"reason":"network","status":null,"type":"preflight"})"});
}

// Events posted from workers reach the page in posting order, after everything the
// loop had before, through the same queue and handler the hosts use.
// A page loaded again (its renderer ended) starts with nothing. While the install
// runs, its "preflight" brings back the catalogue it had and the latest progress;
// after the install ended, the catalogue and the outcome. The page it replaced still
// has its "preflight" dropped while the install runs.
TEST(PageBridge, AReloadedPageIsToldWhereTheRunStands) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> sent;
  std::atomic<int> catalogue_runs{0};
  std::promise<void> finish;
  std::shared_future<void> finished = finish.get_future().share();
  BridgeHost host;
  host.send_event = [&](InstallerEvent event) {
    std::lock_guard lock(mutex);
    sent.push_back(compact_json(event));
    changed.notify_all();
  };
  BridgeWorkers workers;
  workers.catalogue = [&] {
    ++catalogue_runs;
    return ReleaseResult<ReleaseList>(ReleaseList{});
  };
  workers.install = [&](const InstallRequest&, std::atomic<bool>&, const ProgressSender& send) -> InstallOutcome {
    send(DownloadStarted{"1.5.13", 10});
    send(StepReached{StepReached::Step::kVerify});
    finished.wait();
    return InstallSuccess{"/opt/q", "1.5.13"};
  };
  PageBridge bridge(std::move(host), std::move(workers), nullptr);
  auto wait_for = [&](std::size_t count) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, 10s, [&] { return sent.size() >= count; });
    return sent;
  };
  auto wait_until_idle = [&] { (void)bridge.wait_until_idle(10s); };

  bridge.dispatch(R"({"type":"preflight"})");
  wait_for(1);
  wait_until_idle();
  bridge.dispatch(R"({"type":"install","dir":"/opt/q"})");
  wait_for(3);
  bridge.dispatch(R"({"type":"preflight"})");
  bridge.page_reloaded();
  bridge.dispatch(R"({"type":"preflight"})");
  wait_for(5);
  finish.set_value();
  wait_for(6);
  wait_until_idle();
  bridge.page_reloaded();
  bridge.dispatch(R"({"type":"preflight"})");

  const std::string catalogue = R"({"ok":true,"releases":[],"type":"preflight"})";
  const std::string installed = R"({"dir":"/opt/q","type":"installed","version":"1.5.13"})";
  const std::string started =
      R"({"downloaded":0,"pct":0,"phase":"download","total":10,"type":"progress","version":"1.5.13"})";
  EXPECT_EQ(wait_for(8), (std::vector<std::string>{
                             catalogue, started, R"({"pct":100,"phase":"verify","type":"progress"})", catalogue,
                             R"({"pct":100,"phase":"verify","type":"progress"})", installed, catalogue, installed}));
  EXPECT_EQ(catalogue_runs, 1);
}

TEST(PageBridge, EventsReachThePageInPostingOrder) {
  auto queue = std::make_shared<UserEventQueue>(nullptr);
  BridgeHost host;
  host.send_event = [queue](InstallerEvent event) { queue->post(UserEvent::deliver(std::move(event))); };
  host.post_close = [queue] { queue->post(UserEvent::close()); };
  BridgeWorkers workers;
  workers.install = [](const InstallRequest&, std::atomic<bool>&, const ProgressSender& send) -> InstallOutcome {
    for (int i = 0; i <= 500; ++i) send(SetupProgress{i / 5.0, static_cast<std::uint64_t>(i)});
    return InstallSuccess{"/q", "2.0"};
  };
  PageBridge bridge(std::move(host), std::move(workers), nullptr);
  queue->post(UserEvent::page_message(R"({"type":"install","dir":"/q"})"));

  std::vector<InstallerEvent> delivered;
  auto deliver = [&](const InstallerEvent& event) { delivered.push_back(event); };
  for (int spins = 0; spins < 2000; ++spins) {
    auto event = queue->take();
    if (!event) {
      if (!delivered.empty() && delivered.back()["type"] == "installed") break;
      std::this_thread::sleep_for(1ms);
      continue;
    }
    EXPECT_EQ(handle_user_event(*event, bridge, deliver), LoopStep::kWait);
  }
  ASSERT_EQ(delivered.size(), 502u);
  for (int i = 0; i <= 500; ++i) EXPECT_EQ(delivered[i]["files"], i);
  EXPECT_EQ(delivered.back()["type"], "installed");

  queue->post(UserEvent::page_message(R"({"type":"close"})"));
  auto message = queue->take();
  EXPECT_EQ(handle_user_event(*message, bridge, deliver), LoopStep::kWait);
  auto close = queue->take();
  ASSERT_TRUE(close);
  EXPECT_EQ(handle_user_event(*close, bridge, deliver), LoopStep::kExit);
}

}  // namespace
}  // namespace quillmar
