#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "system/paths.h"
#include "system/standard_path.h"

// The manifest, version resource and icon group of the built Quillmar_Installer.exe,
// read back the way Windows reads them.
namespace quillmar {
namespace {

std::filesystem::path installer_path() {
  return standard_path(own_executable_path().value_or(Path())).parent_path() / QUILLMAR_INSTALLER_FROM_TEST;
}

std::string resource_bytes(HMODULE module, LPCWSTR type) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

class InstallerResources : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(installer_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << installer_path() << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_F(InstallerResources, ManifestNeverElevatesAndIsPerMonitorAware) {
  const std::string manifest = resource_bytes(module_, RT_MANIFEST);
  for (const char* part : {
           R"(name="Quillmar.Installer" version="1.0.0.0")",
           R"(level="asInvoker" uiAccess="false")",
           R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",
           ">true/pm</dpiAware>",
           ">PerMonitorV2</dpiAwareness>",
           R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
       }) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

TEST_F(InstallerResources, VersionResourceNamesTheBootstrapper) {
  const std::wstring path = installer_path().native();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);

  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } strings[] = {
      {L"FileVersion", L"1.5.13"},
      {L"ProductVersion", L"1.5.13"},
      {L"ProductName", L"Quillmar Installer"},
      {L"OriginalFilename", L"Quillmar_Installer.exe"},
      {L"FileDescription", L"Quillmar PackageKind=bootstrap"},
  };
  for (const auto& entry : strings) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + entry.name;
    wchar_t* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << query;
    EXPECT_EQ(std::wstring(value), entry.value) << query;
  }
}

TEST_F(InstallerResources, IconGroupHoldsTheSevenSizesInThirtyTwoBits) {
  // GRPICONDIR: reserved, type, count (16 bits each), then 14-byte entries starting
  // with width and height (0 meaning 256) and, at offset 6, the bit count.
  const std::string group = resource_bytes(module_, RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u);
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(group[at]); };
  const unsigned count = byte(4) | byte(5) << 8;
  ASSERT_EQ(count, 7u);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
  for (unsigned index = 0; index < count; ++index) {
    const std::size_t entry = 6 + 14 * index;
    EXPECT_EQ(byte(entry) == 0 ? 256 : byte(entry), sizes[index]) << index;
    EXPECT_EQ(byte(entry + 1) == 0 ? 256 : byte(entry + 1), sizes[index]) << index;
    EXPECT_EQ(byte(entry + 6) | byte(entry + 7) << 8, 32) << index;
  }
}

}  // namespace
}  // namespace quillmar
