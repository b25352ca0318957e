#pragma once

#include <cstddef>
#include <string_view>

namespace quillmar {

// How one system spells a path: which characters separate, how long its root is,
// and when two names are the same. Both systems' rules are compiled on both builds,
// so that each is tested on either; a Path takes the rules of the system it runs on.
// The rules read text of any character type, since Windows' own is UTF-16 and the
// tables that prove them are plain text.

// Windows: '/' and '\' both separate; a root is a drive, "C:", or a server,
// "\\server" (also a device or long-path prefix such as "\\?"); names differ in
// letter case only to the eye, so steps compare without regard to ASCII case, as
// the file system does.
struct WindowsPathRules {
  static constexpr char kPreferredSeparator = '\\';

  template <typename Char>
  static constexpr bool is_separator(Char character) {
    return character == Char('\\') || character == Char('/');
  }

  // How many leading characters name the root, without the separators after it.
  template <typename Char>
  static constexpr std::size_t root_name_length(std::basic_string_view<Char> text) {
    if (text.size() >= 2 && text[1] == Char(':')) return 2;
    if (text.size() > 2 && is_separator(text[0]) && is_separator(text[1]) && !is_separator(text[2])) {
      std::size_t length = 2;
      while (length < text.size() && !is_separator(text[length])) ++length;
      return length;
    }
    return 0;
  }

  template <typename Char>
  static constexpr bool same_character(Char left, Char right) {
    return fold_case(left) == fold_case(right);
  }

 private:
  template <typename Char>
  static constexpr Char fold_case(Char character) {
    return character >= Char('A') && character <= Char('Z') ? Char(character - Char('A') + Char('a')) : character;
  }
};

// POSIX: '/' alone separates, the root is the leading separators, and letter case
// counts.
struct PosixPathRules {
  static constexpr char kPreferredSeparator = '/';

  template <typename Char>
  static constexpr bool is_separator(Char character) {
    return character == Char('/');
  }

  template <typename Char>
  static constexpr std::size_t root_name_length(std::basic_string_view<Char> /*text*/) {
    return 0;
  }

  template <typename Char>
  static constexpr bool same_character(Char left, Char right) {
    return left == right;
  }
};

}  // namespace quillmar
