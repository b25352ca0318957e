#pragma once

#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "system/path_rules.h"

namespace quillmar {

// A file-system path held in the system's own text: UTF-16 on Windows, bytes on the
// host. It does what the installer needs of a path (join, parent, last name, whether
// it lies in a folder) and nothing more, without the standard library's filesystem:
// on Windows that library reaches the C++ locale machinery, half a megabyte of an
// executable that every user downloads. The file operations live in file_system.h.
//
// RULES says how the text splits (path_rules.h). The installer uses Path, with the
// rules of the system it runs on; the other system's rules are instantiated too, so
// that the tests prove both grammars on either build.
template <typename Char, typename Rules>
class BasicPath {
 public:
  using value_type = Char;
  using string_type = std::basic_string<Char>;
  using rules_type = Rules;

  BasicPath() = default;
  explicit BasicPath(string_type text) : text_(std::move(text)) {}
  explicit BasicPath(const value_type* text) : text_(text) {}
  // Any path type that shows its native text, such as the standard library's in tests.
  template <typename Other>
    requires requires(const Other& other) {
      { other.native() } -> std::convertible_to<const string_type&>;
    } && (!std::same_as<Other, BasicPath>)
  explicit BasicPath(const Other& other) : text_(other.native()) {}

  const string_type& native() const { return text_; }
  const value_type* c_str() const { return text_.c_str(); }
  bool empty() const { return text_.empty(); }
  void clear() { text_.clear(); }

  // True when something follows the root: "C:\" and "/" have nothing, "C:\a" has.
  bool has_relative_path() const { return root_length(text_) < text_.size(); }
  // The last name, empty for a root or a path that ends in a separator.
  BasicPath filename() const;
  bool has_filename() const { return !filename().empty(); }
  // The path without its last name and the separators before it; a root is its
  // own parent, and a lone name has the empty path as its parent.
  BasicPath parent_path() const;

  // True when this path is FOLDER or lies below it, compared step by step, so
  // C:\Apps\Quillmar2 is not inside C:\Apps\Quillmar. Empty steps (a trailing
  // separator) do not count, and a path with a root is never inside one without.
  bool is_within(const BasicPath& folder) const;

  // NAME after a separator; a path with a root of its own replaces this one.
  BasicPath& operator/=(const BasicPath& name);
  friend BasicPath operator/(BasicPath left, const BasicPath& right) { return left /= right; }
  // Equal when they name the same steps: a run of separators the same as one, and
  // on Windows '/' and '\' alike and letter case ignored.
  friend bool operator==(const BasicPath& left, const BasicPath& right) {
    return same_text(left.steps(), right.steps());
  }

 private:
  using View = std::basic_string_view<Char>;

  // How many leading characters name the root: the root name and the separators
  // after it.
  static std::size_t root_length(View text);
  // Equal by the rules, character by character, any two separators alike.
  static bool same_text(View left, View right);
  // Where the last name starts.
  std::size_t filename_start() const;
  // The text with each separator, and each run of them after the root, written as
  // one preferred separator.
  string_type steps() const;

  string_type text_;
};

// The system's own text tells its rules: UTF-16 paths are Windows'.
using NativePathRules =
    std::conditional_t<(sizeof(QUILLMAR_PATH_CHAR) > 1), WindowsPathRules, PosixPathRules>;
using Path = BasicPath<QUILLMAR_PATH_CHAR, NativePathRules>;

// Compiled once, in path.cpp, for the native path and for each system's rules over
// plain text.
extern template class BasicPath<char, PosixPathRules>;
extern template class BasicPath<char, WindowsPathRules>;
extern template class BasicPath<wchar_t, WindowsPathRules>;

}  // namespace quillmar
