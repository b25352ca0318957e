#include "system/path.h"

namespace quillmar {

std::size_t Path::filename_start() const {
  const std::size_t root = root_length(text_);
  std::size_t start = text_.size();
  while (start > root && !is_separator(text_[start - 1])) --start;
  return start;
}

Path::string_type Path::steps() const {
  const std::size_t root = root_length(text_);
  string_type steps;
  steps.reserve(text_.size());
  for (std::size_t i = 0; i < text_.size(); ++i) {
    if (!is_separator(text_[i])) {
      steps += text_[i];
    } else if (i < root || !is_separator(steps.back())) {
      steps += preferred_separator();
    }
  }
  return steps;
}

Path Path::filename() const { return Path(text_.substr(filename_start())); }

Path Path::parent_path() const {
  const std::size_t root = root_length(text_);
  if (root == text_.size()) return *this;
  std::size_t end = text_.size();
  // A trailing separator ends an empty last name, so the parent keeps the name before it.
  if (!is_separator(text_.back())) end = filename_start();
  while (end > root && is_separator(text_[end - 1])) --end;
  return Path(text_.substr(0, end));
}

Path& Path::operator/=(const Path& name) {
  if (root_length(name.text_) > 0) return *this = name;
  if (!text_.empty() && !is_separator(text_.back())) text_ += preferred_separator();
  text_ += name.text_;
  return *this;
}

}  // namespace quillmar
