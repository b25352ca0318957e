#include "system/file_io.h"

namespace quillmar {

std::FILE* open_for_reading(const Path& path) { return _wfopen(path.c_str(), L"rb"); }

}  // namespace quillmar
