// The portable pieces of the installation engine, each against a table of inputs.
#include <gtest/gtest.h>

#include <cmath>

#include "install/child_process.h"
#include "install/code_signature.h"
#include "install/command_line.h"
#include "install/setup_log.h"
#include "install/setup_run.h"
#include "support/scratch.h"
#include "system/json_text.h"
#include "system/text.h"

namespace quillmar {
namespace {

using testing::ScratchFolder;
using testing::write_file;

TEST(QuoteArgument, FollowsTheRulesCommandLineToArgvWReverses) {
  struct Case {
    std::string argument;
    std::string expected;
  };
  const Case cases[] = {
      {"/SP-", "/SP-"},
      {"", "\"\""},
      {"/TASKS=", "/TASKS="},
      {"/DIR=C:\\Users\\Test User\\Quillmar", "\"/DIR=C:\\Users\\Test User\\Quillmar\""},
      {"/DIR=C:\\Quillmar\\", "/DIR=C:\\Quillmar\\"},             // no quotes: the backslash stays single
      {"/DIR=C:\\My Apps\\", "\"/DIR=C:\\My Apps\\\\\""},        // before the closing quote: doubled
      {"tab\there", "\"tab\there\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "a\\\\\\\"b"},                                  // a\"b: one backslash doubled, quote escaped
      {"a\\\\b", "a\\\\b"},                                      // backslashes not before a quote stay
      {"\\\\server\\share", "\\\\server\\share"},
      {"end\\\\", "end\\\\"},
      {"sp ace\\\\", "\"sp ace\\\\\\\\\""},
  };
  for (const Case& c : cases) EXPECT_EQ(quote_argument(c.argument), c.expected) << c.argument;
}

TEST(BuildCommandLine, QuotesTheProgramAndJoinsArgumentsWithOneSpace) {
  EXPECT_EQ(build_command_line("C:\\Temp\\quillmar-installer-0a\\quillmar-setup.exe", {"/SP-", "", "a b"}),
            "\"C:\\Temp\\quillmar-installer-0a\\quillmar-setup.exe\" /SP- \"\" \"a b\"");
  EXPECT_EQ(build_command_line("C:\\p.exe", {}), "\"C:\\p.exe\"");
}

TEST(SetupArguments, AreTheTenSwitchesInOrderWithTheTaskList) {
  InstallRequest request;
  request.dir = "C:\\Users\\Test User\\AppData\\Local\\Programs\\Quillmar";
  const std::vector<std::string> expected_fixed = {"/SP-", "/VERYSILENT", "/SUPPRESSMSGBOXES", "/NORESTART",
                                                   "/CLOSEAPPLICATIONS", "/CURRENTUSER", "/SKIPBROWSERSETUP"};
  struct Case {
    bool desktop;
    bool start_menu;
    std::string tasks;
  };
  for (const Case& c : {Case{false, false, ""}, Case{true, false, "desktopicon"}, Case{false, true, "startmenuicon"},
                        Case{true, true, "desktopicon,startmenuicon"}}) {
    request.desktop_shortcut = c.desktop;
    request.start_menu = c.start_menu;
    const auto arguments = setup_arguments(request, Path(std::filesystem::path("L/installer-setup.log")));
    ASSERT_EQ(arguments.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(arguments.begin(), arguments.begin() + 7), expected_fixed);
    EXPECT_EQ(arguments[7], "/DIR=" + request.dir);
    EXPECT_EQ(arguments[8], "/TASKS=" + c.tasks);
    EXPECT_EQ(arguments[9], "/LOG=L/installer-setup.log");
  }
  EXPECT_EQ(quote_argument(setup_arguments(request, Path(std::filesystem::path("x")))[7]),
            "\"/DIR=C:\\Users\\Test User\\AppData\\Local\\Programs\\Quillmar\"");
}

TEST(MarkerLineCounter, CountsCompleteMatchingLinesOnlyWhateverThePieces) {
  const std::string log =
      "Setup version: 1\r\n"
      "Dest filename: C:\\Q\\a.exe\r\n"
      "dest filename: lower case does not count\r\n"
      "x Dest filename: anywhere in the line\n"
      "Dest filename: unfinished";
  const std::uint64_t complete = log.rfind('\n') + 1;
  // Every split point, so the marker and the line feeds straddle two pieces.
  for (std::size_t split = 0; split <= log.size(); ++split) {
    MarkerLineCounter counter;
    counter.feed(std::string_view(log).substr(0, split));
    counter.feed(std::string_view(log).substr(split));
    EXPECT_EQ(counter.matching_lines(), 2u) << split;
    EXPECT_EQ(counter.consumed(), complete) << split;
  }
  MarkerLineCounter bytewise;
  for (const char c : log) bytewise.feed(std::string_view(&c, 1));
  EXPECT_EQ(bytewise.matching_lines(), 2u);
  EXPECT_EQ(bytewise.consumed(), complete);
}

TEST(ScanSetupLog, CountsALineCompletedAcrossTwoPollsOnce) {
  ScratchFolder scratch;
  const auto log = scratch.path() / "installer-setup.log";
  std::uint64_t offset = 0;
  EXPECT_EQ(scanSetupLog(Path(log), offset), 0u);  // not created yet
  EXPECT_EQ(offset, 0u);

  write_file(log, "Dest filename: a\r\nDest filen");
  EXPECT_EQ(scanSetupLog(Path(log), offset), 1u);
  EXPECT_EQ(offset, 18u);
  EXPECT_EQ(scanSetupLog(Path(log), offset), 0u);  // the unfinished line is read again, not counted
  EXPECT_EQ(offset, 18u);

  write_file(log, "Dest filename: a\r\nDest filename: b\r\nDest filename: c\r\n");
  EXPECT_EQ(scanSetupLog(Path(log), offset), 2u);
  EXPECT_EQ(offset, 54u);
  EXPECT_EQ(scanSetupLog(Path(log), offset), 0u);
}

TEST(ScanSetupLog, ReadsLinesLongerThanItsBuffer) {
  ScratchFolder scratch;
  const auto log = scratch.path() / "installer-setup.log";
  const std::string filler(20000, 'x');
  write_file(log, filler + "Dest filename: long\n" + "Dest filename: " + filler + "\n" + filler + "\n");
  std::uint64_t offset = 0;
  EXPECT_EQ(scanSetupLog(Path(log), offset), 2u);
  EXPECT_EQ(offset, 3 * filler.size() + 2 * 15 + 4 + 3);
}

TEST(TrimWhiteSpace, RemovesUnicodeWhiteSpaceButNotTheByteOrderMark) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"1.5.13\r\n", "1.5.13"},
      {" \t1.5.13 \n\v\f", "1.5.13"},
      {"\xC2\xA0" "1.5.13\xE3\x80\x80", "1.5.13"},                      // NBSP and ideographic space
      {"\xE2\x80\xA8" "1.5\xC2\x85", "1.5"},                             // line separator, NEL
      {"\xEF\xBB\xBF" "1.5.13\r\n", "\xEF\xBB\xBF" "1.5.13"},            // the BOM stays
      {"1.5 13", "1.5 13"},
      {"\xE2\x80\x8B" "1.5", "\xE2\x80\x8B" "1.5"},                      // zero width space is not white space
      {"   ", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(trim_white_space(c.text), c.expected) << c.text;
}

TEST(QuotedText, EscapesQuotesAndBackslashesOnly) {
  EXPECT_EQ(quoted_text(""), "\"\"");
  EXPECT_EQ(quoted_text("1.5.13"), "\"1.5.13\"");
  EXPECT_EQ(quoted_text("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(quoted_text("\xEF\xBB\xBF" "1.5"), "\"\xEF\xBB\xBF" "1.5\"");
}

TEST(ExitCodeText, IsDecimalOrHexWhenTheHighBitIsSet) {
  EXPECT_EQ(exit_code_text(0), "exit code: 0");
  EXPECT_EQ(exit_code_text(2), "exit code: 2");
  EXPECT_EQ(exit_code_text(2147483647), "exit code: 2147483647");
  EXPECT_EQ(exit_code_text(-1073741819), "exit code: 0xc0000005");
  EXPECT_EQ(exit_code_text(-1), "exit code: 0xffffffff");
  EXPECT_EQ(exit_code_text(static_cast<std::int32_t>(0x80000000u)), "exit code: 0x80000000");
}

// A package held for a moment by a scanner starts on a later try; any other failure,
// or a sharing violation that outlasts the limit, is reported with its own text.
TEST(RetryStartOnSharingViolation, RetriesOnlyASharingViolationAndOnlyUpToTheLimit) {
  using std::chrono::milliseconds;
  struct Case {
    const char* name;
    int sharing_violations;  // failures of that kind before the outcome below
    bool then_started;       // the outcome after them; false: another failure
    const char* error;  // empty when started
    int tries;
    milliseconds slept;
  };
  const Case cases[] = {
      {"held briefly", 3, true, "", 4, milliseconds(750)},
      {"another failure", 0, false, "refused", 1, milliseconds(0)},
      {"a sharing violation, then another failure", 1, false, "refused", 2, milliseconds(250)},
      {"held longer than the limit", 1000, true, "held", 41, milliseconds(10000)},
  };
  for (const Case& c : cases) {
    int tries = 0;
    milliseconds slept{0};
    const Result<int> started = retry_start_on_sharing_violation<int>(
        [&] {
          ++tries;
          if (tries <= c.sharing_violations) return StartTry<int>{Error{"held"}, true};
          if (c.then_started) return StartTry<int>{7, false};
          return StartTry<int>{Error{"refused"}, false};
        },
        [&](milliseconds pause) { slept += pause; });
    EXPECT_EQ(started ? std::string() : started.error().message, c.error) << c.name;
    EXPECT_EQ(tries, c.tries) << c.name;
    EXPECT_EQ(slept, c.slept) << c.name;
  }
}

TEST(SetupProgress, FollowsTheCurveAndStaysBelow95) {
  EXPECT_EQ(setup_progress_pct(0.0), 0.0);
  EXPECT_NEAR(setup_progress_pct(25.0), 60.05, 0.01);
  EXPECT_NEAR(setup_progress_pct(60.0), 86.38, 0.01);
  EXPECT_NEAR(setup_progress_pct(120.0), 94.22, 0.01);
  EXPECT_LT(setup_progress_pct(600.0), 95.0);
}

TEST(JudgeCodeSignature, AcceptsAVerifiedOrAbsentSignatureOnly) {
  const std::uint32_t statuses[] = {0,          kTrustNoSignature, kTrustSubjectFormUnknown, kTrustProviderUnknown,
                                    0x80096010, 0x800B0109,        0x800B010C,               0x80092026};
  const std::uint32_t last_errors[] = {0,          kTrustNoSignature, kTrustSubjectFormUnknown, kTrustProviderUnknown,
                                       0x80096010, 0x800B0109,        5};
  for (const std::uint32_t status : statuses) {
    for (const std::uint32_t last_error : last_errors) {
      const bool no_signature_confirmed =
          status == kTrustNoSignature && (last_error == kTrustNoSignature || last_error == kTrustSubjectFormUnknown ||
                                          last_error == kTrustProviderUnknown);
      const auto judged = judge_code_signature({status, last_error});
      if (status == 0 || no_signature_confirmed) {
        EXPECT_TRUE(judged) << std::hex << status << " " << last_error;
      } else {
        ASSERT_FALSE(judged) << std::hex << status << " " << last_error;
        EXPECT_EQ(judged.error(), status);
      }
    }
  }
}

}  // namespace
}  // namespace quillmar
