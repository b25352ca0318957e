// libFuzzer target for the scan of the setup log: the package writes the log, so
// its bytes are outside input. The input is the log as read so far; it reaches the
// counter whole and again cut into pieces whose sizes come from its own bytes, the
// way reads of a file that is still being written cut it anywhere. Besides crashes
// and sanitizer findings it traps when either way disagrees with a plain count of
// its complete lines: the lines holding the marker, and the bytes up to the last
// line feed as consumed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "install/setup_log.h"

namespace {

struct Count {
  std::uint64_t consumed = 0;
  std::uint64_t matching_lines = 0;
};

Count plain_count(std::string_view log) {
  Count count;
  std::size_t start = 0;
  for (std::size_t line_feed = log.find('\n'); line_feed != std::string_view::npos;
       line_feed = log.find('\n', start)) {
    if (log.substr(start, line_feed - start).find(quillmar::kDestFilenameMarker) != std::string_view::npos) {
      ++count.matching_lines;
    }
    start = line_feed + 1;
  }
  count.consumed = start;
  return count;
}

void expect(const quillmar::MarkerLineCounter& counter, const Count& expected) {
  if (counter.consumed() != expected.consumed || counter.matching_lines() != expected.matching_lines) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view log(reinterpret_cast<const char*>(data), size);
  const Count expected = plain_count(log);

  quillmar::MarkerLineCounter whole;
  whole.feed(log);
  expect(whole, expected);

  quillmar::MarkerLineCounter pieces;
  std::size_t offset = 0;
  for (std::size_t i = 0; offset < log.size(); ++i) {
    const std::size_t piece = 1 + data[i % size] % 23;
    pieces.feed(log.substr(offset, piece));
    offset += piece;
  }
  expect(pieces, expected);
  return 0;
}
