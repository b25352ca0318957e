#pragma once

#include <concepts>
#include <cstddef>
#include <string>
#include <utility>

namespace quillmar {

// A file-system path held in the system's own text: UTF-16 on Windows, bytes on the
// host. It does what the installer needs of a path (join, parent, last name) and
// nothing more, without the standard library's filesystem: on Windows that library
// reaches the C++ locale machinery, half a megabyte of an executable that every user
// downloads. The file operations live in file_system.h.
//
// Paths are split the way the system reads them: "C:" and "\\server" are root names
// on Windows, where '/' and '\' both separate; the host knows '/' only.
class Path {
 public:
  using value_type = QUILLMAR_PATH_CHAR;
  using string_type = std::basic_string<value_type>;

  Path() = default;
  explicit Path(string_type text) : text_(std::move(text)) {}
  explicit Path(const value_type* text) : text_(text) {}
  // Any path type that shows its native text, such as the standard library's in tests.
  template <typename Other>
    requires requires(const Other& other) {
      { other.native() } -> std::convertible_to<const string_type&>;
    } && (!std::same_as<Other, Path>)
  explicit Path(const Other& other) : text_(other.native()) {}

  const string_type& native() const { return text_; }
  const value_type* c_str() const { return text_.c_str(); }
  bool empty() const { return text_.empty(); }
  void clear() { text_.clear(); }

  // True when something follows the root: "C:\" and "/" have nothing, "C:\a" has.
  bool has_relative_path() const { return root_length(text_) < text_.size(); }
  // The last name, empty for a root or a path that ends in a separator.
  Path filename() const;
  bool has_filename() const { return !filename().empty(); }
  // The path without its last name and the separators before it; a root is its
  // own parent, and a lone name has the empty path as its parent.
  Path parent_path() const;

  // NAME after a separator; a path with a root of its own replaces this one.
  Path& operator/=(const Path& name);
  friend Path operator/(Path left, const Path& right) { return left /= right; }
  // Equal when they name the same steps: '/' and '\' alike on Windows, and a run of
  // separators the same as one. Letter case counts.
  friend bool operator==(const Path& left, const Path& right) { return left.steps() == right.steps(); }

 private:
  static bool is_separator(value_type character);
  static value_type preferred_separator();
  // How many leading characters name the root: the root name and the separators
  // after it.
  static std::size_t root_length(const string_type& text);
  // Where the last name starts.
  std::size_t filename_start() const;
  // The text with each separator, and each run of them after the root, written as
  // one preferred separator.
  string_type steps() const;

  string_type text_;
};

}  // namespace quillmar
