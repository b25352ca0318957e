// Removing a tree on Windows: by handle, a link as a link, read-only entries and
// paths past MAX_PATH included.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "support/scratch.h"
#include "system/file_system.h"
#include "system/handle_win.h"

namespace quillmar {
namespace {

using testing::ScratchFolder;

std::wstring long_form(const std::filesystem::path& path) { return L"\\\\?\\" + path.wstring(); }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void make_file(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  const PlatformHandle file =
      own_handle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
  ASSERT_TRUE(file) << "cannot make " << std::filesystem::path(path).string();
}

// A junction at LINK to the folder TARGET, as the system makes one: 0, or the
// error (Wine 8 answers ERROR_NOT_SUPPORTED).
DWORD make_junction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return GetLastError();
  PlatformHandle folder = own_handle(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                                       nullptr));
  const std::wstring substitute = L"\\??\\" + target;
  const auto name_bytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  // REPARSE_DATA_BUFFER's mount-point form: tag, length, reserved, then the
  // substitute name's and the (empty) print name's offsets and lengths, then both
  // names with their terminators.
  std::vector<std::byte> buffer(8 + 8 + name_bytes + 2 * sizeof(wchar_t));
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  const WORD header[] = {static_cast<WORD>(buffer.size() - 8), 0, 0, name_bytes,
                         static_cast<WORD>(name_bytes + sizeof(wchar_t)), 0};
  std::memcpy(buffer.data(), &tag, sizeof tag);
  std::memcpy(buffer.data() + 4, header, sizeof header);
  std::memcpy(buffer.data() + 16, substitute.data(), name_bytes);
  DWORD returned = 0;
  const bool made = folder && DeviceIoControl(win_handle(folder), FSCTL_SET_REPARSE_POINT, buffer.data(),
                                              static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  if (made) return 0;
  const DWORD error = GetLastError();
  folder.close();
  RemoveDirectoryW(link.c_str());
  return error;
}

// Under Wine, where no junction can be made: a Unix symbolic link to the folder,
// which Wine lists as a folder with FILE_ATTRIBUTE_REPARSE_POINT, made by the host's
// ln started through Wine.
bool make_unix_link(const std::wstring& link, const std::wstring& target) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unix_name =
      reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return false;
  char* const target_name = unix_name(target.c_str());
  char* const link_name = unix_name(link.c_str());
  std::string command = std::string("/bin/ln -s \"") + target_name + "\" \"" + link_name + "\"";
  HeapFree(GetProcessHeap(), 0, target_name);
  HeapFree(GetProcessHeap(), 0, link_name);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  const PlatformHandle child = own_handle(process.hProcess);
  const PlatformHandle thread = own_handle(process.hThread);
  // Wine's handle of a Unix process does not tell when it ends: the link is
  // looked for instead.
  for (int tries = 0; tries < 200 && !exists(link); ++tries) Sleep(50);
  return exists(link);
}

TEST(RemoveTree, RemovesLinksAsLinksReadOnlyEntriesAndLongPaths) {
  ScratchFolder scratch;
  const std::wstring target = long_form(scratch.path() / "target");
  const struct {
    const char* what;
    std::function<void(const std::wstring& tree)> leave;  // what TREE holds besides a plain file
  } cases[] = {
      {"a read-only file in a read-only folder",
       [&](const std::wstring& tree) {
         ASSERT_TRUE(CreateDirectoryW((tree + L"\\kept").c_str(), nullptr));
         make_file(tree + L"\\kept\\setup.log", FILE_ATTRIBUTE_READONLY);
         ASSERT_TRUE(SetFileAttributesW((tree + L"\\kept").c_str(), FILE_ATTRIBUTE_READONLY));
       }},
      {"a file 300 characters deep",
       [&](const std::wstring& tree) {
         std::wstring folder = tree;
         for (const wchar_t letter : {L'a', L'b', L'c', L'd', L'e'}) {
           folder += L"\\" + std::wstring(60, letter);
           ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
         }
         ASSERT_GT(folder.size() - 4, 300u);
         make_file(folder + L"\\deep.txt");
       }},
      {"a junction to a folder outside",
       [&](const std::wstring& tree) {
         ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
         make_file(target + L"\\keep.txt");
         const std::wstring link = tree + L"\\link";
         const DWORD refused = make_junction(link, target);
         if (refused == 0) return;
         std::cout << "no junction can be made here (error " << refused << "): a Unix symbolic link instead\n";
         ASSERT_TRUE(make_unix_link(link, target));
       }},
  };
  int trees = 0;
  for (const auto& row : cases) {
    SCOPED_TRACE(row.what);
    const std::filesystem::path top = scratch.path() / ("tree" + std::to_string(++trees));
    const std::wstring tree = long_form(top);
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
    make_file(tree + L"\\quillmar-setup.exe");
    row.leave(tree);
    const DWORD link_attributes = GetFileAttributesW((tree + L"\\link").c_str());
    const bool removed = remove_tree(Path(top));
    std::cout << row.what << ": remove_tree gave " << removed << "; the tree " << (exists(tree) ? "stays" : "is gone")
              << "; its plain file " << (exists(tree + L"\\quillmar-setup.exe") ? "stays" : "is gone");
    if (link_attributes == INVALID_FILE_ATTRIBUTES) {
      std::cout << "\n";
      EXPECT_TRUE(removed);
      EXPECT_FALSE(exists(tree));
      continue;
    }
    std::cout << "; the link " << (exists(tree + L"\\link") ? "stays" : "is gone") << "; the target's file "
              << (exists(target + L"\\keep.txt") ? "stays" : "is gone") << "\n";
    EXPECT_TRUE(exists(target + L"\\keep.txt"));
    EXPECT_FALSE(exists(tree + L"\\quillmar-setup.exe"));
    // A junction goes with the tree. Wine 8 opens a Unix link as its target even
    // with FILE_FLAG_OPEN_REPARSE_POINT, so the link, which cannot be deleted as
    // itself there, stays, and the tree with it.
    EXPECT_EQ(removed, !exists(tree));
  }
}

}  // namespace
}  // namespace quillmar
