#include <gtest/gtest.h>

#include <string>

#include "main/bridge/asset_server.h"
#include "support/scratch.h"

namespace quillmar {
namespace {

std::span<const unsigned char> bytes_of(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

const Asset kTable[] = {
    {"index.html", "text/html; charset=utf-8", bytes_of("<p>page</p>")},
    {"installer.js", "text/javascript; charset=utf-8", bytes_of("run();")},
    {"assets/icons/x.svg", "image/svg+xml", bytes_of("<svg/>")},
    // A later entry with the same path never wins: the first equal path does.
    {"index.html", "text/plain", bytes_of("shadowed")},
};

std::string body_of(const AssetResponse& response) {
  return std::string(reinterpret_cast<const char*>(response.body.data()), response.body.size());
}

TEST(AssetServer, AcceptsTablePathsWhateverTheSlashesQueryOrFragment) {
  const struct {
    const char* uri;
    const char* body;
  } cases[] = {
      {"quillmar://localhost/index.html", "<p>page</p>"},
      {"quillmar://localhost/", "<p>page</p>"},
      {"quillmar://localhost", "<p>page</p>"},
      {"http://quillmar.localhost/index.html?x=1", "<p>page</p>"},
      {"quillmar://localhost//index.html", "<p>page</p>"},
      {"quillmar://localhost/?x=1#top", "<p>page</p>"},
      {"quillmar://localhost/installer.js#part", "run();"},
      {"quillmar://localhost/assets/icons/x.svg", "<svg/>"},
      {"/assets/icons/x.svg", "<svg/>"},
  };
  for (const auto& c : cases) {
    const AssetResponse response = serve_asset(c.uri, kTable);
    EXPECT_EQ(response.status, 200) << c.uri;
    EXPECT_EQ(body_of(response), c.body) << c.uri;
  }
}

TEST(AssetServer, FoundAssetsCarryTheThreeHeadersInOrder) {
  const AssetResponse response = serve_asset("quillmar://localhost/assets/icons/x.svg", kTable);
  ASSERT_EQ(response.headers.size(), 3u);
  EXPECT_EQ(response.headers[0], (std::pair<std::string, std::string>{"Content-Type", "image/svg+xml"}));
  EXPECT_EQ(response.headers[1].first, "Content-Security-Policy");
  EXPECT_EQ(response.headers[1].second,
            "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
            "connect-src 'none'; object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'");
  EXPECT_EQ(response.headers[2], (std::pair<std::string, std::string>{"X-Content-Type-Options", "nosniff"}));
}

TEST(AssetServer, RejectsEveryPathThatIsNotByteForByteInTheTable) {
  for (const char* uri : {"quillmar://localhost/Index.html", "quillmar://localhost/assets/icons/X.svg",
                          "quillmar://localhost/index%2Ehtml", "quillmar://localhost/./index.html",
                          "quillmar://localhost/assets/../index.html", "quillmar://localhost/index.html/",
                          "quillmar://localhost/assets/icons/", "quillmar://localhost/missing.js"}) {
    const AssetResponse response = serve_asset(uri, kTable);
    EXPECT_EQ(response.status, 404) << uri;
    EXPECT_TRUE(response.headers.empty()) << uri;
    EXPECT_TRUE(response.body.empty()) << uri;
  }
}

// The build step that embeds a page folder: every file, in table order, byte for
// byte, with the content type its extension calls for.
TEST(AssetTable, EmbedsThePageFilesInTableOrderByteForByte) {
  const std::filesystem::path folder = QUILLMAR_PROBE_PAGE_DIR;
  const struct {
    const char* path;
    const char* content_type;
  } expected[] = {
      {"index.html", "text/html; charset=utf-8"},
      {"installer.js", "text/javascript; charset=utf-8"},
      {"quillmar-ui.css", "text/css; charset=utf-8"},
      {"quillmar-ui.js", "text/javascript; charset=utf-8"},
  };
  const auto table = embedded_assets();
  ASSERT_EQ(table.size(), std::size(expected));
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].path, expected[i].path);
    EXPECT_EQ(table[i].content_type, expected[i].content_type);
    const std::string bytes(reinterpret_cast<const char*>(table[i].bytes.data()), table[i].bytes.size());
    EXPECT_EQ(bytes, testing::read_file(folder / expected[i].path)) << expected[i].path;
  }
  EXPECT_EQ(body_of(serve_asset("quillmar://localhost/", table)), testing::read_file(folder / "index.html"));
}

}  // namespace
}  // namespace quillmar
