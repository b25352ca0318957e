#include "system/file_io.h"

namespace quillmar {

std::FILE* open_for_reading(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"rb"); }

}  // namespace quillmar
