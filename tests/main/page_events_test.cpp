#include "main/bridge/page_events.h"

#include <gtest/gtest.h>

#include "system/json_text.h"
#include "system/paths.h"

namespace quillmar {
namespace {

TEST(PreflightEvent, GivesTheReasonWordAndOnlyAServerItsStatus) {
  struct Case {
    ReleaseError error;
    const char* event;
  };
  using Kind = ReleaseError::Kind;
  const Case cases[] = {
      {{Kind::kNetwork, 0, {}}, R"({"ok":false,"reason":"network","status":null,"type":"preflight"})"},
      {{Kind::kUnavailable, 0, {}}, R"({"ok":false,"reason":"unavailable","status":null,"type":"preflight"})"},
      {{Kind::kServer, 503, {}}, R"({"ok":false,"reason":"server","status":503,"type":"preflight"})"},
      {{Kind::kServer, 204, {}}, R"({"ok":false,"reason":"server","status":204,"type":"preflight"})"},
      {{Kind::kUntrusted, 0, "the answer does not echo this request's nonce"},
       R"({"ok":false,"reason":"server","status":null,"type":"preflight"})"},
  };
  for (const Case& test : cases) EXPECT_EQ(compact_json(preflight_event(test.error)), test.event);
}

TEST(PreflightEvent, ListsTheReleasesInOrderWithTheirDatesAsTheServerWroteThem) {
  EXPECT_EQ(compact_json(preflight_event(ReleaseList{})), R"({"ok":true,"releases":[],"type":"preflight"})");
  const ReleaseList releases = {{"1.5.13", "2026-01-02T00:00:00Z", true}, {"1.5.12", 7, false}, {"1.4", nullptr, false}};
  EXPECT_EQ(compact_json(preflight_event(releases)),
            R"({"ok":true,"releases":[{"newest":true,"published_at":"2026-01-02T00:00:00Z","version":"1.5.13"},)"
            R"({"newest":false,"published_at":7,"version":"1.5.12"},)"
            R"({"newest":false,"published_at":null,"version":"1.4"}],"type":"preflight"})");
}

// Each phase keeps the number types the page has always been given: a whole 0 or
// 100 where the step knows no fraction, a fraction wherever the bar moves by one,
// its end included.
TEST(ProgressEvent, GivesEachPhaseItsMembersAndNumberTypes) {
  const struct {
    InstallProgress progress;
    const char* event;
  } cases[] = {
      {DownloadStarted{"1.5.13", 16},
       R"({"downloaded":0,"pct":0,"phase":"download","total":16,"type":"progress","version":"1.5.13"})"},
      {DownloadProgress{262144, 600000},
       R"({"downloaded":262144,"pct":43.690666666666665,"phase":"download","total":600000,"type":"progress"})"},
      {DownloadProgress{10, 10}, R"({"downloaded":10,"pct":100.0,"phase":"download","total":10,"type":"progress"})"},
      {StepReached{StepReached::Step::kVerify}, R"({"pct":100,"phase":"verify","type":"progress"})"},
      {SetupProgress{37.5, 2}, R"({"files":2,"pct":37.5,"phase":"install","type":"progress"})"},
      {SetupProgress{100.0, 3}, R"({"files":3,"pct":100.0,"phase":"install","type":"progress"})"},
      {StepReached{StepReached::Step::kShortcuts}, R"({"pct":100,"phase":"shortcuts","type":"progress"})"},
  };
  for (const auto& c : cases) EXPECT_EQ(compact_json(progress_event(c.progress)), c.event);
}

TEST(FailedEvent, CarriesOnlyTheMembersItIsGiven) {
  using Reason = InstallFailure::Reason;
  struct Case {
    InstallFailure failure;
    const char* event;
  };
  const Case cases[] = {
      {{Reason::kInstall, std::nullopt, -1073741819, "C:\\L\\installer-setup.log"},
       R"({"code":-1073741819,"log":"C:\\L\\installer-setup.log","reason":"install","type":"failed"})"},
      {{Reason::kVerifyInstalled, std::nullopt, std::nullopt, "L"},
       R"({"log":"L","reason":"verifyInstalled","type":"failed"})"},
      {{Reason::kVerify, "the package's signature does not verify (0x800b0109)", std::nullopt, std::nullopt},
       R"j({"detail":"the package's signature does not verify (0x800b0109)","reason":"verify","type":"failed"})j"},
      {{Reason::kInstallerLocation, "", std::nullopt, std::nullopt},
       R"({"detail":"","reason":"installerLocation","type":"failed"})"},
      {{Reason::kDisk, "", std::nullopt, std::nullopt}, R"({"detail":"","reason":"disk","type":"failed"})"},
      {{Reason::kDownload, "HTTP 503", std::nullopt, std::nullopt}, R"({"detail":"HTTP 503","reason":"download","type":"failed"})"},
      {{Reason::kCancelled, "", std::nullopt, std::nullopt}, R"({"detail":"","reason":"cancelled","type":"failed"})"},
  };
  for (const Case& test : cases) EXPECT_EQ(compact_json(failed_event(test.failure)), test.event);
}

TEST(EnvironmentJson, HasExactlyTheSixMembersInKeyOrder) {
  InstallerEnvironment environment;
  environment.dir = path_from_text("C:\\Apps\\Quillmar \"x\"");
  EXPECT_EQ(environment_json(environment),
            "{\"dir\":\"C:\\\\Apps\\\\Quillmar \\\"x\\\"\",\"installed\":null,\"mode\":\"install\","
            "\"platform\":\"windows\",\"requestedVersion\":null,\"requiredBytes\":1610612736}");

  environment.installed = InstalledCopy{path_from_text("D:\\Q"), "2.0"};
  environment.requested_version = "1.4.2";
  EXPECT_EQ(environment_json(environment),
            "{\"dir\":\"C:\\\\Apps\\\\Quillmar \\\"x\\\"\",\"installed\":{\"dir\":\"D:\\\\Q\",\"version\":\"2.0\"},"
            "\"mode\":\"install\",\"platform\":\"windows\",\"requestedVersion\":\"1.4.2\",\"requiredBytes\":1610612736}");
}

TEST(EventDelivery, ScriptCarriesCompactSortedJsonWithFloatsAlwaysFractional) {
  const struct {
    InstallerEvent event;
    const char* script;
  } cases[] = {
      {{{"type", "progress"}, {"phase", "download"}, {"pct", 0}, {"downloaded", 0}, {"total", 10}, {"version", "1.0"}},
       R"(window.quillmarInstallerEvent({"downloaded":0,"pct":0,"phase":"download","total":10,"type":"progress","version":"1.0"}))"},
      {{{"type", "progress"}, {"phase", "install"}, {"pct", 100.0}, {"files", 3}},
       R"(window.quillmarInstallerEvent({"files":3,"pct":100.0,"phase":"install","type":"progress"}))"},
      {{{"type", "progress"}, {"pct", 12.5}}, R"(window.quillmarInstallerEvent({"pct":12.5,"type":"progress"}))"},
      {{{"type", "progress"}, {"pct", 0.1}}, R"(window.quillmarInstallerEvent({"pct":0.1,"type":"progress"}))"},
      {{{"type", "failed"}, {"reason", "install"}, {"code", -2147483647 - 1}, {"detail", "a \"b\" c:\\d\\"}},
       R"(window.quillmarInstallerEvent({"code":-2147483648,"detail":"a \"b\" c:\\d\\","reason":"install","type":"failed"}))"},
      {{{"type", "folder"}, {"dir", "line\nbreak\u2028"}, {"freeBytes", nullptr}},
       "window.quillmarInstallerEvent({\"dir\":\"line\\nbreak\xE2\x80\xA8\",\"freeBytes\":null,\"type\":\"folder\"})"},
      {{{"type", "folder"}, {"dir", std::string("bad \xFF byte")}, {"freeBytes", 1}},
       "window.quillmarInstallerEvent({\"dir\":\"bad \xEF\xBF\xBD byte\",\"freeBytes\":1,\"type\":\"folder\"})"},
  };
  for (const auto& c : cases) EXPECT_EQ(event_delivery_script(c.event), c.script);
}

}  // namespace
}  // namespace quillmar
