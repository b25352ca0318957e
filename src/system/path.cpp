#include "system/path.h"

#include <vector>

namespace quillmar {
namespace {

// The names after the root, without the empty ones a run of separators or a
// trailing separator leaves.
template <typename Char, typename Rules>
std::vector<std::basic_string_view<Char>> steps_after(std::basic_string_view<Char> text, std::size_t root) {
  std::vector<std::basic_string_view<Char>> steps;
  std::size_t start = root;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && !Rules::is_separator(text[end])) ++end;
    if (end > start) steps.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return steps;
}

}  // namespace

template <typename Char, typename Rules>
std::size_t BasicPath<Char, Rules>::root_length(View text) {
  std::size_t length = Rules::root_name_length(text);
  while (length < text.size() && Rules::is_separator(text[length])) ++length;
  return length;
}

template <typename Char, typename Rules>
bool BasicPath<Char, Rules>::same_text(View left, View right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    const bool separators = Rules::is_separator(left[i]) && Rules::is_separator(right[i]);
    if (!separators && !Rules::same_character(left[i], right[i])) return false;
  }
  return true;
}

template <typename Char, typename Rules>
std::size_t BasicPath<Char, Rules>::filename_start() const {
  const std::size_t root = root_length(text_);
  std::size_t start = text_.size();
  while (start > root && !Rules::is_separator(text_[start - 1])) --start;
  return start;
}

template <typename Char, typename Rules>
typename BasicPath<Char, Rules>::string_type BasicPath<Char, Rules>::steps() const {
  const std::size_t root = root_length(text_);
  string_type steps;
  steps.reserve(text_.size());
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (!Rules::is_separator(text_[i])) {
      steps += text_[i];
    } else if (i < root || !Rules::is_separator(steps.back())) {
      steps += Char(Rules::kPreferredSeparator);
    }
  }
  return steps;
}

template <typename Char, typename Rules>
BasicPath<Char, Rules> BasicPath<Char, Rules>::filename() const {
  return BasicPath(text_.substr(filename_start()));
}

template <typename Char, typename Rules>
BasicPath<Char, Rules> BasicPath<Char, Rules>::parent_path() const {
  const std::size_t root = root_length(text_);
  if (root == text_.size()) return *this;
  std::size_t end = text_.size();
  // A trailing separator ends an empty last name, so the parent keeps the name before it.
  if (!Rules::is_separator(text_.back())) end = filename_start();
  while (end > root && Rules::is_separator(text_[end - 1])) --end;
  return BasicPath(text_.substr(0, end));
}

template <typename Char, typename Rules>
bool BasicPath<Char, Rules>::is_within(const BasicPath& folder) const {
  const View inner(text_);
  const View outer(folder.text_);
  const std::size_t inner_name = Rules::root_name_length(inner);
  const std::size_t outer_name = Rules::root_name_length(outer);
  if (!same_text(inner.substr(0, inner_name), outer.substr(0, outer_name))) return false;
  // "/" has no steps, yet only a path with a root lies below it.
  const std::size_t inner_root = root_length(inner);
  const std::size_t outer_root = root_length(outer);
  if ((inner_root > inner_name) != (outer_root > outer_name)) return false;

  const auto inner_steps = steps_after<Char, Rules>(inner, inner_root);
  const auto outer_steps = steps_after<Char, Rules>(outer, outer_root);
  if (outer_steps.size() > inner_steps.size()) return false;
  for (std::size_t i = 0; i < outer_steps.size(); ++i) {
    if (!same_text(inner_steps[i], outer_steps[i])) return false;
  }
  return true;
}

template <typename Char, typename Rules>
BasicPath<Char, Rules>& BasicPath<Char, Rules>::operator/=(const BasicPath& name) {
  if (root_length(name.text_) > 0) return *this = name;
  if (!text_.empty() && !Rules::is_separator(text_.back())) text_ += Char(Rules::kPreferredSeparator);
  text_ += name.text_;
  return *this;
}

template class BasicPath<char, PosixPathRules>;
template class BasicPath<char, WindowsPathRules>;
template class BasicPath<wchar_t, WindowsPathRules>;

}  // namespace quillmar
