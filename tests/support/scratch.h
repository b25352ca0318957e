#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "system/path.h"

namespace quillmar::testing {

// A fresh folder under the temporary folder, removed with everything in it when the
// object goes away.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Sets (or, given nothing, removes) an environment variable for the object's
// lifetime, then restores what was there before.
class ScopedVariable {
 public:
  ScopedVariable(std::string name, const std::optional<Path>& value);
  ScopedVariable(std::string name, const std::filesystem::path& value) : ScopedVariable(std::move(name), Path(value)) {}
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<Path::string_type> previous_;
};

// Paths of either kind: the installer's own, or the standard library's.
std::string read_file(const Path& path);
void write_file(const Path& path, const std::string& bytes);
inline std::string read_file(const std::filesystem::path& path) { return read_file(Path(path)); }
inline void write_file(const std::filesystem::path& path, const std::string& bytes) { write_file(Path(path), bytes); }

}  // namespace quillmar::testing
