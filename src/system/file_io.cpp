#include "system/file_io.h"

#include <memory>

namespace quillmar {

// C stdio rather than a file stream: streams bring the C++ locale machinery into the
// Windows executable with them.
std::optional<std::string> read_whole_file(const Path& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_for_reading(path), &std::fclose);
  if (!file) return std::nullopt;
  std::string content;
  char buffer[64 * 1024];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) content.append(buffer, count);
  if (std::ferror(file.get())) return std::nullopt;
  return content;
}

}  // namespace quillmar
