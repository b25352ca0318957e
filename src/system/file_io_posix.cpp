#include "system/file_io.h"

namespace quillmar {

std::FILE* open_for_reading(const Path& path) { return std::fopen(path.c_str(), "rb"); }

}  // namespace quillmar
