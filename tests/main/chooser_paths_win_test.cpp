#include <gtest/gtest.h>

#include "main/bridge/folder_choice.h"
#include "support/scratch.h"

// The folder chooser's rules with Windows paths, whose drive roots and separators
// the host build cannot show.
namespace quillmar {
namespace {

TEST(ChooseFolderOnWindows, AppendsQuillmarToTheChosenFolderOrDriveRoot) {
  const struct {
    const wchar_t* chosen;
    const wchar_t* folder;
  } cases[] = {
      {L"D:\\Tools", L"D:\\Tools\\Quillmar"},
      {L"E:\\", L"E:\\Quillmar"},  // not the drive-relative "E:Quillmar"
      {L"D:\\Apps\\QUILLMAR\\", L"D:\\Apps\\QUILLMAR"},
      {L"\\\\server\\share\\Apps", L"\\\\server\\share\\Apps\\Quillmar"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(installation_folder_for_choice(Path(c.chosen)).native(), std::wstring(c.folder)) << c.chosen;
  }
}

TEST(ChooseFolderOnWindows, StartsInTheExistingParentOfTheOfferedFolder) {
  testing::ScratchFolder scratch;
  const std::filesystem::path offered = scratch.path() / L"Quillmar";
  EXPECT_EQ(chooser_start_folder(Path(offered)), Path(scratch.path()));
  EXPECT_EQ(chooser_start_folder(Path(L"E:\\")), std::nullopt);  // a root has no parent
}

}  // namespace
}  // namespace quillmar
