#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "support/child_process.h"
#include "support/scratch.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using testing::program_from_environment;
using testing::read_file;
using testing::run_child;
using testing::ScopedVariable;
using testing::ScratchFolder;

// Without a display the window cannot open: the run stops with the fatal message and
// exit code 1, after the log already holds its start line. The environment the page
// would get is checked through the headless host, which starts the same way.
TEST(Startup, EachRunAppendsItsStartLineBeforeTheWindowOpens) {
  ScratchFolder scratch;
  ScopedVariable local("LOCALAPPDATA", scratch.path());
  ScopedVariable display("DISPLAY", std::nullopt);
  ScopedVariable wayland("WAYLAND_DISPLAY", std::nullopt);
  const fs::path installer = program_from_environment("QUILLMAR_INSTALLER");

  for (int run = 0; run < 2; ++run) {
    const auto result = run_child(installer, {});
    EXPECT_EQ(result.exit_code, 1);
  }
  const std::string line = "Quillmar installer 1.5.13 (windows_x86_64) \xE2\x86\x92 " +
                            std::string(program_from_environment("QUILLMAR_RELEASE_URL")) + "\n";
  EXPECT_EQ(read_file(scratch.path() / "Quillmar" / "Logs" / "installer.log"), line + line);
}

TEST(Startup, RefusesToStartWithADamagedSigningKey) {
  ScratchFolder scratch;
  ScopedVariable local("LOCALAPPDATA", scratch.path());
  ScopedVariable display("DISPLAY", std::nullopt);
  ScopedVariable wayland("WAYLAND_DISPLAY", std::nullopt);
  // Without a display the fatal message goes to standard error; take both streams.
  const std::string command = program_from_environment("QUILLMAR_DAMAGED_KEY_INSTALLER").string() + " 2>&1";
  FILE* child = popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  std::string output;
  char buffer[512];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, child)) > 0;) output.append(buffer, count);
  const int status = pclose(child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(output, "Quillmar: This installer is damaged: embedded public key does not match its pinned SHA-256\n");
  // The key is checked before the log is opened: nothing may have been written.
  EXPECT_FALSE(fs::exists(scratch.path() / "Quillmar"));
}

}  // namespace
}  // namespace quillmar
