#include "main/bridge/page_events.h"

#include <gtest/gtest.h>

#include "system/json_text.h"

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
  EXPECT_EQ(compact_json(preflight_event(ReleaseList::array())), R"({"ok":true,"releases":[],"type":"preflight"})");
}

// The setup's last event says 100.0, a fraction, as the bar's curve does; the
// other phases' types are checked where the install tables record their events.
TEST(ProgressEvent, KeepsTheSetupsFractionAtItsEnd) {
  EXPECT_EQ(compact_json(progress_event(SetupProgress{100.0, 3})),
            R"({"files":3,"pct":100.0,"phase":"install","type":"progress"})");
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
  };
  for (const Case& test : cases) EXPECT_EQ(compact_json(failed_event(test.failure)), test.event);
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
