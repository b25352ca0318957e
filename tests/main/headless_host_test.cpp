#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "support/child_process.h"
#include "support/scratch.h"
#include "system/disk_space.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;
using testing::program_from_environment;
using testing::read_file;
using testing::ScopedVariable;
using testing::ScratchFolder;
using testing::write_file;

struct Conversation {
  int exit_code = -1;
  std::vector<std::string> lines;
};

// Runs the headless host with LOCALAPPDATA in a scratch folder, feeding it INPUT on
// standard input, and splits what it wrote into lines.
class HeadlessHost : public ::testing::Test {
 protected:
  Conversation talk(const std::string& input, std::vector<std::string> arguments = {}) {
    const fs::path input_file = scratch_.path() / "input.txt";
    write_file(input_file, input);
    std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" < \"$QUILLMAR_TEST_INPUT\"",
                                      program_from_environment("QUILLMAR_HEADLESS").string()};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    ScopedVariable input_variable("QUILLMAR_TEST_INPUT", input_file);
    const auto result = testing::run_child("/bin/sh", shell);
    Conversation conversation{result.exit_code, {}};
    std::istringstream stream(result.output);
    for (std::string line; std::getline(stream, line);) conversation.lines.push_back(line);
    return conversation;
  }

  // The lines after the environment line.
  std::vector<std::string> events_of(const Conversation& conversation) {
    EXPECT_FALSE(conversation.lines.empty());
    if (conversation.lines.empty()) return {};
    return {conversation.lines.begin() + 1, conversation.lines.end()};
  }

  ScratchFolder scratch_;
  ScopedVariable local_{"LOCALAPPDATA", scratch_.path()};
};

TEST_F(HeadlessHost, StartsLikeTheInstallerWithTheEnvironmentAndTheStartLine) {
  const auto conversation = talk("");
  EXPECT_EQ(conversation.exit_code, 0);
  ASSERT_EQ(conversation.lines.size(), 1u);
  EXPECT_EQ(conversation.lines[0], "{\"dir\":\"" + (scratch_.path() / "Programs" / "Quillmar").string() +
                                       "\",\"installed\":null,\"mode\":\"install\",\"platform\":\"windows\","
                                       "\"requestedVersion\":null,\"requiredBytes\":1610612736}");
  EXPECT_EQ(read_file(scratch_.path() / "Quillmar" / "Logs" / "installer.log"),
            "Quillmar installer 1.5.13 (windows_x86_64) \xE2\x86\x92 " +
                program_from_environment("QUILLMAR_RELEASE_URL").string() + "\n");
}

TEST_F(HeadlessHost, RequestedVersionComesFromItsOwnFileName) {
  const fs::path renamed = scratch_.path() / "QUILLMAR_INSTALLER_2.0 (1)";
  fs::copy_file(program_from_environment("QUILLMAR_HEADLESS"), renamed);
  const auto result = testing::run_child(renamed, {});
  EXPECT_NE(result.output.find("\"requestedVersion\":\"2.0\""), std::string::npos) << result.output;
}

TEST_F(HeadlessHost, DropsMalformedMessagesAndAnswersTheRestInOrder) {
  const fs::path missing = scratch_.path() / "not" / "there" / "yet";
  const std::string odd = scratch_.path().string() + "/say \\\"hi\\\" \\\\ back\\\\slash";
  const auto conversation = talk(
      "not json\n"
      "{\"type\":\"diskSpace\"\n"
      "{\"dir\":\"/\"}\n"
      "{\"type\":42,\"dir\":\"/\"}\n"
      "[\"diskSpace\"]\n"
      "{\"type\":\"resize\"}\n"
      "{\"type\":\"diskSpace\",\"dir\":\"" + missing.string() + "\"}\n"
      "{\"type\":\"diskSpace\",\"dir\":\"" + odd + "\"}\n"
      "{\"type\":\"chooseFolder\",\"dir\":\"/tmp\"}\n"  // no --choose-folder: the picker is cancelled
      "{\"type\":\"diskSpace\"}\n");
  EXPECT_EQ(conversation.exit_code, 0);  // end of input, nothing running
  const auto events = events_of(conversation);
  ASSERT_EQ(events.size(), 3u) << ::testing::PrintToString(events);

  // A folder that does not exist yet reports the space of its nearest existing
  // ancestor; the volume may change a little between two questions.
  const std::string prefix = "{\"dir\":\"" + missing.string() + "\",\"freeBytes\":";
  ASSERT_EQ(events[0].rfind(prefix, 0), 0u) << events[0];
  const double reported = std::stod(events[0].substr(prefix.size()));
  const double actual = static_cast<double>(free_bytes_at(Path(scratch_.path())).value());
  EXPECT_NEAR(reported, actual, 64.0 * 1024 * 1024);
  EXPECT_EQ(events[0].substr(events[0].size() - 17), ",\"type\":\"folder\"}");

  // Quotes and backslashes come back escaped exactly as they were sent.
  EXPECT_EQ(events[1].rfind("{\"dir\":\"" + odd + "\",\"freeBytes\":", 0), 0u) << events[1];
  EXPECT_EQ(events[2], "{\"dir\":\"\",\"freeBytes\":null,\"type\":\"folder\"}");
}

TEST_F(HeadlessHost, ChooseFolderAppendsQuillmarUnlessTheChoiceIsAlreadyNamedSo) {
  fs::create_directories(scratch_.path() / "Tools");
  const struct {
    fs::path chosen;
    fs::path expected;
  } cases[] = {
      {scratch_.path() / "Tools", scratch_.path() / "Tools" / "Quillmar"},
      {scratch_.path() / "QUILLMAR", scratch_.path() / "QUILLMAR"},
      {scratch_.path() / "quillMar", scratch_.path() / "quillMar"},
      {"/", "/Quillmar"},
  };
  for (const auto& c : cases) {
    const auto events = events_of(talk("{\"type\":\"chooseFolder\",\"dir\":\"/tmp/x\"}\n", {"--choose-folder", c.chosen}));
    ASSERT_EQ(events.size(), 1u) << c.chosen;
    EXPECT_EQ(events[0].rfind("{\"dir\":\"" + c.expected.string() + "\",\"freeBytes\":", 0), 0u) << events[0];
  }
}

TEST_F(HeadlessHost, CloseAndLaunchEndTheConversationWithExitCodeZero) {
  for (const char* ending : {"close", "launch"}) {
    const auto conversation = talk("{\"type\":\"diskSpace\",\"dir\":\"\"}\n{\"type\":\"" + std::string(ending) +
                                   "\"}\n{\"type\":\"diskSpace\",\"dir\":\"\"}\n");
    EXPECT_EQ(conversation.exit_code, 0) << ending;
    // One answer: nothing after the closing message is handled.
    EXPECT_EQ(events_of(conversation).size(), 1u) << ending;
  }
  // "launch" before any successful installation starts nothing.
  EXPECT_FALSE(fs::exists(scratch_.path() / "Programs" / "Quillmar"));
}

TEST_F(HeadlessHost, RefusesUnknownOptions) {
  EXPECT_EQ(talk("", {"--verbose"}).exit_code, 2);
}

}  // namespace
}  // namespace quillmar
