// What a child process inherits, seen through a pipe: the reading end sees the end
// of the pipe only once no process holds its writing end any more.
#include <windows.h>

#include <gtest/gtest.h>

#include "install/child_process.h"

namespace quillmar {
namespace {

TEST(ChildProcessHandles, AChildInheritsNoHandleButTheStandardOnes) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, &inheritable, 0));
  // A child that lives a few seconds.
  wchar_t system_folder[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system_folder, MAX_PATH), 0u);
  auto child = ChildProcess::start(Path(system_folder) / Path(L"ping.exe"), {"-n", "4", "127.0.0.1"});
  ASSERT_TRUE(child.ok()) << child.error().message;
  CloseHandle(write_end);

  // Had the child inherited the writing end, this read would wait until it ends.
  char byte = 0;
  DWORD count = 0;
  EXPECT_FALSE(ReadFile(read_end, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
  const auto still_running = child.value().poll();
  ASSERT_TRUE(still_running.ok());
  EXPECT_FALSE(still_running.value().has_value()) << "the pipe ended only with the child";
  CloseHandle(read_end);
  EXPECT_TRUE(child.value().wait().ok());
}

}  // namespace
}  // namespace quillmar
