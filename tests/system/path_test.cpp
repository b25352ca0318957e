#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "system/path.h"
#include "system/paths.h"

namespace quillmar {
namespace {

// Each system's rules run on both builds over plain text; the installer's own Path
// runs the table of the system it is built for, in its own text, as well.
using WindowsPath = BasicPath<char, WindowsPathRules>;
using PosixPath = BasicPath<char, PosixPathRules>;

template <typename PathType>
PathType make(const std::string& text) {
  if constexpr (std::is_same_v<PathType, Path>) {
    return path_from_text(text);
  } else {
    return PathType(text);
  }
}

template <typename PathType>
std::string text_of(const PathType& path) {
  if constexpr (std::is_same_v<PathType, Path>) {
    return path_to_text(path);
  } else {
    return path.native();
  }
}

// Calls CHECK with each path type that follows RULES: the plain-text one, and the
// installer's own when it is a different type with the same rules.
template <typename Rules, typename PlainPath, typename Check>
void for_each_path_type(const Check& check) {
  check(PlainPath());
  if constexpr (std::is_same_v<Path::rules_type, Rules> && !std::is_same_v<Path, PlainPath>) check(Path());
}

struct SplitCase {
  std::string path;
  std::string parent;
  std::string filename;
  bool has_relative_path;
};

template <typename PathType>
void expect_splits(const std::vector<SplitCase>& cases) {
  for (const SplitCase& c : cases) {
    const PathType path = make<PathType>(c.path);
    EXPECT_EQ(text_of(path.parent_path()), c.parent) << c.path;
    EXPECT_EQ(text_of(path.filename()), c.filename) << c.path;
    EXPECT_EQ(path.has_filename(), !c.filename.empty()) << c.path;
    EXPECT_EQ(path.has_relative_path(), c.has_relative_path) << c.path;
  }
}

TEST(Path, SplitsTheWayWindowsReadsIt) {
  const std::vector<SplitCase> cases = {
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
  for_each_path_type<WindowsPathRules, WindowsPath>([&](auto type) { expect_splits<decltype(type)>(cases); });
}

TEST(Path, SplitsTheWayPosixReadsIt) {
  const std::vector<SplitCase> cases = {
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
  for_each_path_type<PosixPathRules, PosixPath>([&](auto type) { expect_splits<decltype(type)>(cases); });
}

struct JoinCase {
  std::string left;
  std::string right;
  std::string joined;
};

template <typename PathType>
void expect_joins(const std::vector<JoinCase>& cases) {
  for (const JoinCase& c : cases) {
    EXPECT_EQ(text_of(make<PathType>(c.left) / make<PathType>(c.right)), c.joined) << c.left << " + " << c.right;
  }
}

TEST(Path, JoinsWithOneSeparatorAndLetsARootReplace) {
  const std::vector<JoinCase> windows = {
      {"Apps", "Quillmar", R"(Apps\Quillmar)"},
      {"Apps/", "Quillmar", "Apps/Quillmar"},
      {"", "Quillmar", "Quillmar"},
      {"Apps", "/Quillmar", "/Quillmar"},
      {R"(C:\Apps)", R"(D:\Quillmar)", R"(D:\Quillmar)"},
  };
  const std::vector<JoinCase> posix = {
      {"Apps", "Quillmar", "Apps/Quillmar"},
      {"Apps/", "Quillmar", "Apps/Quillmar"},
      {"", "Quillmar", "Quillmar"},
      {"Apps", "/Quillmar", "/Quillmar"},
  };
  for_each_path_type<WindowsPathRules, WindowsPath>([&](auto type) { expect_joins<decltype(type)>(windows); });
  for_each_path_type<PosixPathRules, PosixPath>([&](auto type) { expect_joins<decltype(type)>(posix); });
}

struct PairCase {
  std::string left;
  std::string right;
  bool expected;
};

template <typename PathType>
void expect_equal(const std::vector<PairCase>& cases) {
  for (const PairCase& c : cases) {
    EXPECT_EQ(make<PathType>(c.left) == make<PathType>(c.right), c.expected) << c.left << " == " << c.right;
  }
}

TEST(Path, ComparesStepByStep) {
  const std::vector<PairCase> windows = {
      {"C:/Apps//Quillmar", R"(C:\Apps\Quillmar)", true},
      {R"(c:\apps\QUILLMAR)", R"(C:\Apps\Quillmar)", true},
      {R"(C:\Apps\Quillmar\)", R"(C:\Apps\Quillmar)", false},
      {R"(\\server\share)", R"(\server\share)", false},  // a server is not a root folder
  };
  const std::vector<PairCase> posix = {
      {"/opt//Quillmar", "/opt/Quillmar", true},
      {"/opt/Quillmar/", "/opt/Quillmar", false},
      {"/opt/quillmar", "/opt/Quillmar", false},
      {"C:/Apps//Quillmar", R"(C:\Apps\Quillmar)", false},
  };
  for_each_path_type<WindowsPathRules, WindowsPath>([&](auto type) { expect_equal<decltype(type)>(windows); });
  for_each_path_type<PosixPathRules, PosixPath>([&](auto type) { expect_equal<decltype(type)>(posix); });
}

template <typename PathType>
void expect_within(const std::vector<PairCase>& cases) {
  for (const PairCase& c : cases) {
    EXPECT_EQ(make<PathType>(c.left).is_within(make<PathType>(c.right)), c.expected) << c.left << " in " << c.right;
  }
}

TEST(Path, LiesWithinAFolderByWholeSteps) {
  const std::vector<PairCase> windows = {
      {R"(C:\Apps\Quillmar\setup.exe)", R"(C:\Apps\Quillmar)", true},
      {R"(C:\Apps\Quillmar\bin\setup.exe)", R"(C:\Apps\Quillmar\)", true},
      {R"(C:\Apps\Quillmar)", R"(C:\Apps\Quillmar)", true},
      {R"(C:\Apps\Quillmar2\setup.exe)", R"(C:\Apps\Quillmar)", false},
      {R"(C:\A\Bc\x.exe)", R"(C:\A\B)", false},
      {R"(c:\apps\QUILLMAR\setup.exe)", R"(C:\Apps\Quillmar)", true},
      {"C:/Apps/Quillmar/setup.exe", R"(C:\Apps\Quillmar)", true},
      {R"(D:\Apps\Quillmar\setup.exe)", R"(C:\Apps\Quillmar)", false},
      {R"(C:\Apps\setup.exe)", R"(C:\Apps\Quillmar)", false},
      {R"(C:\setup.exe)", R"(C:\)", true},
      {R"(\\server\share\Quillmar\setup.exe)", R"(\\SERVER\share\Quillmar)", true},
      {R"(\\server\other\setup.exe)", R"(\\server\share)", false},
  };
  const std::vector<PairCase> posix = {
      {"/opt/Quillmar/setup", "/opt/Quillmar", true},
      {"/opt/Quillmar/setup", "/opt/Quillmar/", true},
      {"/opt/quillmar/setup", "/opt/Quillmar", false},
      {"/opt/Quillmar2/setup", "/opt/Quillmar", false},
      {"/opt/Quillmar\\x/setup", "/opt/Quillmar", false},
      {"/setup", "/", true},
      {"opt/Quillmar/setup", "/opt/Quillmar", false},
  };
  for_each_path_type<WindowsPathRules, WindowsPath>([&](auto type) { expect_within<decltype(type)>(windows); });
  for_each_path_type<PosixPathRules, PosixPath>([&](auto type) { expect_within<decltype(type)>(posix); });
}

}  // namespace
}  // namespace quillmar
