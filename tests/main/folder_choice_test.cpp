#include <gtest/gtest.h>

#include "main/bridge/folder_choice.h"
#include "support/scratch.h"
#include "system/paths.h"

namespace quillmar {
namespace {

namespace fs = std::filesystem;

TEST(ChooseFolder, AppendsQuillmarUnlessTheLastComponentAlreadyIsIt) {
  const fs::path root = fs::path("/").root_path();
  const struct {
    fs::path chosen;
    fs::path expected;
  } cases[] = {
      {fs::path("/tools"), fs::path("/tools/Quillmar")},
      {fs::path("/tools/QUILLMAR"), fs::path("/tools/QUILLMAR")},
      {fs::path("/tools/quillmar"), fs::path("/tools/quillmar")},
      {fs::path("/tools/QuillMar/"), fs::path("/tools/QuillMar")},
      {fs::path("/tools/quillmar2"), fs::path("/tools/quillmar2/Quillmar")},
      {root, root / "Quillmar"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(installation_folder_for_choice(Path(c.chosen)), Path(c.expected)) << c.chosen;
  }
}

TEST(ChooseFolder, StartsInTheParentOnlyWhenItExists) {
  testing::ScratchFolder scratch;
  EXPECT_EQ(chooser_start_folder(Path(scratch.path() / "Quillmar")), Path(scratch.path()));
  EXPECT_EQ(chooser_start_folder(Path(scratch.path() / "missing" / "Quillmar")), std::nullopt);
  EXPECT_EQ(chooser_start_folder(Path()), std::nullopt);
  EXPECT_EQ(chooser_start_folder(Path(scratch.path().root_path())), std::nullopt);
  EXPECT_EQ(chooser_start_folder(path_from_text("Quillmar")), std::nullopt);  // relative: no parent
}

}  // namespace
}  // namespace quillmar
