#pragma once

#include <chrono>
#include <cstdint>

namespace quillmar {

// A time as Windows keeps it for files (FILETIME: 100 ns steps since 1601-01-01 UTC)
// as a point of the system clock. The system clock spans less (about 1677 to 2262,
// since it counts nanoseconds in 64 bits), and a file may carry any time a program
// set: one outside the span becomes the clock's first or last point, in the right
// direction, instead of wrapping round to a time on the other side.
std::chrono::system_clock::time_point time_from_file_time_steps(std::uint64_t steps);

}  // namespace quillmar
