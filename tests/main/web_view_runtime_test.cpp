#include <gtest/gtest.h>

#include "main/window/runtime_version.h"
#include "main/window/web_view_failure.h"

namespace quillmar {
namespace {

TEST(RuntimeVersion, ReadsTheLastFolderNameAsFourNumbersOnly) {
  const struct {
    const char* folder;
    std::optional<RuntimeVersion> version;
  } cases[] = {
      {R"(C:\Program Files (x86)\Microsoft\EdgeWebView\Application\120.0.2210.91)", RuntimeVersion{120, 0, 2210, 91}},
      {R"(C:\rt\86.0.616.0\)", RuntimeVersion{86, 0, 616, 0}},  // a trailing separator
      {"C:/rt/1.2.3.4", RuntimeVersion{1, 2, 3, 4}},
      {"120.0.2210", std::nullopt},                // three parts
      {"120.0.2210.91.1", std::nullopt},           // five parts
      {"120.0.2210.91a", std::nullopt},            // trailing garbage
      {"120..2210.91", std::nullopt},              // an empty part
      {"120.0.+2210.91", std::nullopt},            // a sign
      {"120.0.2210.99999999999", std::nullopt},    // out of range
      {R"(C:\rt\120.0.2210.91\Application)", std::nullopt},  // not the last component
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(runtime_version_of_folder(c.folder), c.version) << c.folder;
}

TEST(RuntimeVersion, RefusesRuntimesOlderThanTheFirstStableOne) {
  EXPECT_TRUE(is_supported_runtime_version({86, 0, 616, 0}));
  EXPECT_TRUE(is_supported_runtime_version({86, 0, 616, 1}));
  EXPECT_FALSE(is_supported_runtime_version({86, 0, 615, 99}));
  EXPECT_FALSE(is_supported_runtime_version({85, 9, 9999, 9999}));
}

TEST(WebViewFailure, NamesTheStepAndTheCodeInEightLowercaseDigits) {
  EXPECT_EQ(web_view_failure_text("Finding the WebView2 runtime", 0x80070002u),
            "Finding the WebView2 runtime failed: 0x80070002");
  EXPECT_EQ(web_view_failure_text("Creating the WebView2 controller", 0x5u), "Creating the WebView2 controller failed: 0x00000005");
  EXPECT_EQ(web_view_failure_text("Loading", 0x8007007Eu, "C:\\x.dll"), "Loading failed: 0x8007007e (C:\\x.dll)");
}

}  // namespace
}  // namespace quillmar
