#include <gtest/gtest.h>
#include <windows.h>

#include "support/scratch.h"
#include "system/handle_win.h"
#include "system/paths.h"

namespace quillmar {
namespace {

// Runs PROGRAM with no arguments and returns what it wrote to standard output.
std::string output_of(const std::filesystem::path& program) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return "<no pipe>";
  PlatformHandle reader = own_handle(read_end);
  PlatformHandle writer = own_handle(write_end);
  SetHandleInformation(win_handle(reader), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = win_handle(writer);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring command_line = L"\"" + program.native() + L"\"";
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return "<cannot start>";
  }
  PlatformHandle process_handle = own_handle(process.hProcess);
  PlatformHandle thread_handle = own_handle(process.hThread);
  writer.close();

  std::string output;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(win_handle(reader), buffer, sizeof buffer, &count, nullptr) && count > 0)
    output.append(buffer, count);
  WaitForSingleObject(win_handle(process_handle), INFINITE);
  return output;
}

TEST(RequestedVersion, ComesFromTheModuleFileNameAsWritten) {
  const auto self = own_executable_path();
  ASSERT_TRUE(self.has_value());
  const auto probe = self->parent_path() / Path(L"quillmar-environment-probe.exe");
  testing::ScratchFolder scratch;

  struct Case {
    const wchar_t* name;
    const char* expected;
  };
  const Case cases[] = {
      {L"Quillmar_Installer_1.4.2.exe", "\"requestedVersion\":\"1.4.2\""},
      {L"QUILLMAR_INSTALLER_2.0 (1).exe", "\"requestedVersion\":\"2.0\""},
      {L"Quillmar_Installer_1.4.2..exe", "\"requestedVersion\":\"1.4.2\""},
      {L"quillmar_installer_7.exe", "\"requestedVersion\":null"},
      {L"setup.exe", "\"requestedVersion\":null"},
  };
  for (const Case& c : cases) {
    const auto renamed = scratch.path() / c.name;
    ASSERT_TRUE(CopyFileW(probe.c_str(), renamed.c_str(), FALSE)) << path_to_text(Path(renamed));
    const std::string output = output_of(renamed);
    EXPECT_NE(output.find(c.expected), std::string::npos) << path_to_text(Path(renamed)) << ": " << output;
  }
}

}  // namespace
}  // namespace quillmar
