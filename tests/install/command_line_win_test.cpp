// The quoting checked against the system's own parser.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "install/command_line.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

std::vector<std::string> parse(const std::string& command_line) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(utf8_to_wide(command_line).c_str(), &count);
  EXPECT_NE(arguments, nullptr);
  std::vector<std::string> parsed;
  for (int i = 0; arguments != nullptr && i < count; ++i) parsed.push_back(wide_to_utf8(arguments[i]));
  LocalFree(arguments);
  return parsed;
}

TEST(CommandLineToArgvW, GivesBackEveryArgumentUnchanged) {
  const std::vector<std::string> arguments = {
      "/SP-",
      "",
      "/TASKS=",
      "/DIR=C:\\Users\\Test User\\AppData\\Local\\Programs\\Quillmar",
      "/DIR=C:\\Quillmar\\",
      "/DIR=C:\\My Apps\\",
      "/DIR=C:\\My Apps\\\\",
      "tab\there",
      "say \"hi\"",
      "\"",
      "\\\"",
      "a\\\\\"b",
      "\\\\server\\share\\",
      "trailing\\\\",
      "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0 \xE2\x86\x92",
  };
  const std::string program = "C:\\Users\\Test User\\Temp\\quillmar-installer-00ff\\quillmar-setup-1.5.13.exe";
  std::vector<std::string> expected = {program};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(parse(build_command_line(program, arguments)), expected);
  // One at a time too, so a failure names the argument.
  for (const std::string& argument : arguments) {
    EXPECT_EQ(parse(build_command_line("C:\\p.exe", {argument})), (std::vector<std::string>{"C:\\p.exe", argument}))
        << argument;
  }
}

}  // namespace
}  // namespace quillmar
