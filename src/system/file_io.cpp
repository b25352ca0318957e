#include "system/file_io.h"

#include <fstream>
#include <iterator>

namespace quillmar {

std::optional<std::string> read_whole_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return content;
}

}  // namespace quillmar
