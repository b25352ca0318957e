#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "system/path.h"

namespace quillmar {

// The text the setup package writes into its log for every file it installs.
inline constexpr std::string_view kDestFilenameMarker = "Dest filename: ";

// Counts complete log lines (ending in a line feed) that hold the marker. Bytes
// arrive in pieces of any size; a line may span pieces, and so may the marker.
// Only complete lines are consumed: the bytes of an unfinished last line are not
// counted in consumed(), so the next pass starts reading at that line again.
class MarkerLineCounter {
 public:
  void feed(std::string_view bytes);

  std::uint64_t consumed() const { return consumed_; }
  std::uint64_t matching_lines() const { return matching_lines_; }

 private:
  std::uint64_t consumed_ = 0;
  std::uint64_t matching_lines_ = 0;
  std::uint64_t line_length_ = 0;  // bytes of the unfinished line seen so far
  bool line_matches_ = false;
  // The last bytes of the unfinished line, shorter than the marker, so a marker
  // split between two pieces is still found.
  std::string tail_;
};

// One pass over the setup log: reads from OFFSET to the end and returns the number
// of new complete lines holding the marker, advancing OFFSET past every complete
// line. A log that cannot be opened or sought counts 0 and leaves OFFSET as it was;
// the package may simply not have created it yet. The file is opened sharing read,
// write and delete, so the package keeps writing and may replace it meanwhile.
std::uint64_t scanSetupLog(const Path& log_path, std::uint64_t& offset);

}  // namespace quillmar
