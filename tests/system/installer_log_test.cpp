#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "main/startup/start_line.h"
#include "support/scratch.h"
#include "system/installer_log.h"
#include "system/paths.h"
#include "system/standard_path.h"

namespace quillmar {
namespace {

using testing::read_file;
using testing::ScopedVariable;
using testing::ScratchFolder;

TEST(StartLine, NamesVersionPlatformAndServerWithTheArrow) {
  EXPECT_EQ(start_line("https://releases.example.test"),
            "Quillmar installer 1.5.13 (windows_x86_64) \xE2\x86\x92 https://releases.example.test");
}

TEST(InstallerLog, SecondRunAppendsAfterTheFirstWithItsOwnStartLine) {
  ScratchFolder scratch;
  const auto folder = scratch.path() / "Quillmar" / "Logs";
  {
    auto log = InstallerLog::open_in(Path(folder));
    ASSERT_TRUE(log->has_file());
    log->write_log(start_line("https://a.test"));
    log->write_log("first run");
  }
  {
    auto log = InstallerLog::open_in(Path(folder));
    log->write_log(start_line("https://a.test"));
    log->write_log("second run");
  }
  const std::string line = "Quillmar installer 1.5.13 (windows_x86_64) \xE2\x86\x92 https://a.test\n";
  EXPECT_EQ(read_file(folder / "installer.log"), line + "first run\n" + line + "second run\n");
}

// What a network that inspects TLS may put in its certificate authority's name
// reaches the log inside one line, as valid UTF-8.
TEST(InstallerLog, KeepsEachMessageOnOneLineOfValidUtf8) {
  const std::string refused = "request failed: the server key is not the pinned one (certificate issued by ";
  const struct {
    std::string message;
    std::string line;
  } cases[] = {
      {refused + "\"CN=Inspect\nrequest failed: forged\r\t\x1b[0m\x7f\xC2\x85\xE2\x80\xA8\")",
       refused + "\"CN=Inspect\\nrequest failed: forged\\r\\t\\u001b[0m\\u007f\\u0085\\u2028\")"},
      {refused + "\"CN=Caf\xE9 \xE2\x86\x92 \xC0\xAF\")", refused + "\"CN=Caf\xEF\xBF\xBD \xE2\x86\x92 "
                                                           "\xEF\xBF\xBD\xEF\xBF\xBD\")"},
  };
  for (const auto& test : cases) {
    ScratchFolder scratch;
    InstallerLog::open_in(Path(scratch.path()))->write_log(test.message);
    EXPECT_EQ(read_file(scratch.path() / "installer.log"), test.line + "\n");
  }
}

TEST(InstallerLog, GoesUnderLocalAppDataOrElseTheTemporaryFolder) {
  ScratchFolder scratch;
  {
    ScopedVariable local("LOCALAPPDATA", scratch.path());
    EXPECT_EQ(logs_folder(), Path(scratch.path() / "Quillmar" / "Logs"));
  }
  ScopedVariable local("LOCALAPPDATA", std::nullopt);
  ScopedVariable xdg("XDG_DATA_HOME", std::nullopt);
  ScopedVariable home("HOME", std::nullopt);
  ScopedVariable tmp("TMPDIR", scratch.path());
  EXPECT_EQ(logs_folder(), Path(standard_path(temp_folder()) / "Quillmar" / "Logs"));
}

TEST(InstallerLog, RunsWithoutAFileWhenTheFolderCannotBeMade) {
  ScratchFolder scratch;
  testing::write_file(scratch.path() / "blocker", "a file where a folder should go");
  auto log = InstallerLog::open_in(Path(scratch.path() / "blocker" / "Logs"));
  EXPECT_FALSE(log->has_file());
  log->write_log("goes nowhere, and must not crash");
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "blocker" / "Logs"));
}

TEST(InstallerLog, KeepsLinesFromManyThreadsWhole) {
  ScratchFolder scratch;
  auto log = InstallerLog::open_in(Path(scratch.path()));
  constexpr int kThreads = 8;
  constexpr int kLines = 500;
  const std::string filler(200, 'x');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) log->write_log("thread " + std::to_string(t) + " line " + std::to_string(i) + filler);
    });
  }
  for (auto& thread : threads) thread.join();

  const std::string text = read_file(scratch.path() / "installer.log");
  std::set<std::string> seen;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(start, end - start);
    ASSERT_TRUE(line.size() > filler.size() && line.compare(line.size() - filler.size(), filler.size(), filler) == 0)
        << "interleaved line: " << line.substr(0, 80);
    seen.insert(line);
    start = end + 1;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
}

}  // namespace
}  // namespace quillmar
