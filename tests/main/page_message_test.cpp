#include <gtest/gtest.h>

#include "main/bridge/page_message.h"

namespace quillmar {
namespace {

TEST(PageMessage, DropsTextWithoutAKnownStringType) {
  for (const char* text : {"", "not json", "{\"type\":\"install\"", "[\"install\"]", "\"install\"", "null",
                           "{}", "{\"type\":7}", "{\"type\":null}", "{\"type\":\"Install\"}",
                           "{\"type\":\"install \"}", "{\"type\":\"quit\"}", "{\"kind\":\"close\"}"}) {
    EXPECT_FALSE(parse_page_message(text)) << text;
  }
}

TEST(PageMessage, DropsAMessageFollowedByANulByte) {
  EXPECT_FALSE(parse_page_message(std::string_view("{\"type\":\"close\"}\0", 17)));
}

TEST(PageMessage, ReadsEachTypeWithItsDefaults) {
  const struct {
    const char* text;
    PageMessageType type;
    const char* dir;
  } cases[] = {
      {R"({"type":"preflight","dir":"/ignored"})", PageMessageType::kPreflight, ""},
      {R"({"type":"diskSpace","dir":"/a b/c"})", PageMessageType::kDiskSpace, "/a b/c"},
      {R"({"type":"diskSpace"})", PageMessageType::kDiskSpace, ""},
      {R"({"type":"chooseFolder","dir":5})", PageMessageType::kChooseFolder, ""},
      {R"({"type":"install","dir":"/x"})", PageMessageType::kInstall, "/x"},
      {R"({"type":"cancel"})", PageMessageType::kCancel, ""},
      {R"({"type":"launch","extra":[1,2]})", PageMessageType::kLaunch, ""},
      {R"(  {"type":"close"}  )", PageMessageType::kClose, ""},
  };
  for (const auto& c : cases) {
    const auto message = parse_page_message(c.text);
    ASSERT_TRUE(message) << c.text;
    EXPECT_EQ(message->type, c.type) << c.text;
    EXPECT_EQ(message->dir, c.dir) << c.text;
  }
}

TEST(PageMessage, InstallBooleansAreAllFalseWhenAnyIsNotABoolean) {
  const struct {
    const char* text;
    bool desktop, start_menu, dock;
  } cases[] = {
      {R"({"type":"install"})", false, false, false},
      {R"({"type":"install","desktopShortcut":true,"startMenu":true,"dock":true})", true, true, true},
      {R"({"type":"install","desktopShortcut":true})", true, false, false},
      {R"({"type":"install","startMenu":true,"dock":false})", false, true, false},
      {R"({"type":"install","desktopShortcut":"yes","startMenu":true})", false, false, false},
      {R"({"type":"install","desktopShortcut":true,"startMenu":1})", false, false, false},
      {R"({"type":"install","desktopShortcut":true,"startMenu":true,"dock":null})", false, false, false},
  };
  for (const auto& c : cases) {
    const auto message = parse_page_message(c.text);
    ASSERT_TRUE(message) << c.text;
    EXPECT_EQ(message->desktop_shortcut, c.desktop) << c.text;
    EXPECT_EQ(message->start_menu, c.start_menu) << c.text;
    EXPECT_EQ(message->dock, c.dock) << c.text;
  }
}

TEST(PageMessage, InstallVersionIsKeptOnlyWhenItFollowsTheVersionRule) {
  const struct {
    const char* text;
    std::optional<std::string> version;
  } cases[] = {
      {R"({"type":"install","version":"1.5.13"})", "1.5.13"},
      {R"({"type":"install","version":"1.2.3.4"})", "1.2.3.4"},
      {R"({"type":"install","version":"1"})", std::nullopt},
      {R"({"type":"install","version":"1.2.3.4.5"})", std::nullopt},
      {R"({"type":"install","version":"1.x"})", std::nullopt},
      {R"({"type":"install","version":"123456.1"})", std::nullopt},
      {R"({"type":"install","version":1.5})", std::nullopt},
      {R"({"type":"install","version":null})", std::nullopt},
      {R"({"type":"install","desktopShortcut":"yes","version":"1.5.12"})", "1.5.12"},
  };
  for (const auto& c : cases) {
    const auto message = parse_page_message(c.text);
    ASSERT_TRUE(message) << c.text;
    EXPECT_EQ(message->version, c.version) << c.text;
  }
}

}  // namespace
}  // namespace quillmar
