#pragma once

#include <cstdint>

namespace quillmar {

// The wall clock in whole Unix seconds, rounded down (GetSystemTimePreciseAsFileTime
// on Windows, clock_gettime on the host). Signed answers are judged against it.
std::int64_t unix_seconds_now();

}  // namespace quillmar
