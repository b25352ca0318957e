#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/path.h"
#include "system/paths.h"

namespace quillmar {
namespace {

// Wide characters mean the Windows rules: drive and server roots, both separators.
constexpr bool kWindowsRules = sizeof(Path::value_type) > 1;

struct SplitCase {
  std::string path;
  std::string parent;
  std::string filename;
  bool has_relative_path;
};

TEST(Path, SplitsTheWayTheSystemReadsIt) {
  const std::vector<SplitCase> windows = {
      {R"(C:\Apps\Quillmar)", R"(C:\Apps)", "Quillmar", true},
      {R"(C:\Apps)", R"(C:\)", "Apps", true},
      {R"(C:\)", R"(C:\)", "", false},
      {"C:/Apps/Quillmar/", "C:/Apps/Quillmar", "", true},
      {R"(C:\Apps\\Quillmar)", R"(C:\Apps)", "Quillmar", true},
      {"C:Apps", "C:", "Apps", true},
      {R"(\\server\share\Apps)", R"(\\server\share)", "Apps", true},
      {R"(\\server\share)", R"(\\server\)", "share", true},
      {R"(\\?\C:\Apps)", R"(\\?\C:)", "Apps", true},
      {"Quillmar", "", "Quillmar", true},
      {"", "", "", false},
  };
  const std::vector<SplitCase> posix = {
      {"/opt/Quillmar", "/opt", "Quillmar", true},
      {"/opt", "/", "opt", true},
      {"/", "/", "", false},
      {"//", "//", "", false},
      {"/opt/Quillmar/", "/opt/Quillmar", "", true},
      {"/opt//Quillmar", "/opt", "Quillmar", true},
      {"C:\\Apps", "", "C:\\Apps", true},
      {"Quillmar", "", "Quillmar", true},
      {"", "", "", false},
  };
  for (const SplitCase& c : kWindowsRules ? windows : posix) {
    const Path path = path_from_text(c.path);
    EXPECT_EQ(path_to_text(path.parent_path()), c.parent) << c.path;
    EXPECT_EQ(path_to_text(path.filename()), c.filename) << c.path;
    EXPECT_EQ(path.has_filename(), !c.filename.empty()) << c.path;
    EXPECT_EQ(path.has_relative_path(), c.has_relative_path) << c.path;
  }
}

TEST(Path, JoinsWithOneSeparatorAndLetsARootReplace) {
  const std::string separator = kWindowsRules ? "\\" : "/";
  const auto join = [](const std::string& left, const std::string& right) {
    return path_to_text(path_from_text(left) / path_from_text(right));
  };
  EXPECT_EQ(join("Apps", "Quillmar"), "Apps" + separator + "Quillmar");
  EXPECT_EQ(join("Apps/", "Quillmar"), "Apps/Quillmar");
  EXPECT_EQ(join("", "Quillmar"), "Quillmar");
  EXPECT_EQ(join("Apps", "/Quillmar"), "/Quillmar");
  if (kWindowsRules) {
    EXPECT_EQ(join(R"(C:\Apps)", R"(D:\Quillmar)"), R"(D:\Quillmar)");
  }
}

TEST(Path, ComparesStepByStep) {
  const auto same = [](const std::string& left, const std::string& right) {
    return path_from_text(left) == path_from_text(right);
  };
  EXPECT_TRUE(same("/opt//Quillmar", "/opt/Quillmar"));
  EXPECT_FALSE(same("/opt/Quillmar/", "/opt/Quillmar"));
  EXPECT_FALSE(same("/opt/quillmar", "/opt/Quillmar"));
  EXPECT_EQ(same("C:/Apps//Quillmar", R"(C:\Apps\Quillmar)"), kWindowsRules);
  EXPECT_FALSE(same(R"(\\server\share)", R"(\server\share)"));  // a server is not a root folder
}

}  // namespace
}  // namespace quillmar
