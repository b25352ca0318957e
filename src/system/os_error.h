#pragma once

#include <string>

namespace quillmar {

// The "OS text" of an operating-system error: the system's own message followed by
// "(os error N)". One translator per platform so every failure reads the same way.
std::string os_error_text(unsigned long code);

// The OS text of the calling thread's last error (errno or GetLastError). A last
// error of 0 is never passed off as success: it is reported as an unknown failure.
std::string last_os_error_text();

}  // namespace quillmar
