#include "install/setup_log.h"

#include <algorithm>
#include <array>

#include "system/file.h"

namespace quillmar {

void MarkerLineCounter::feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t line_feed = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, line_feed == std::string_view::npos ? bytes.size() : line_feed + 1);
    bytes.remove_prefix(piece.size());

    if (!line_matches_) {
      // Search the carried tail joined with this piece, so a marker that straddles
      // two reads is seen; the tail is shorter than the marker, so this stays cheap.
      const std::string joined = tail_ + std::string(piece.substr(0, std::min(piece.size(), kDestFilenameMarker.size())));
      line_matches_ = joined.find(kDestFilenameMarker) != std::string::npos ||
                      piece.find(kDestFilenameMarker) != std::string_view::npos;
    }
    line_length_ += piece.size();

    if (!piece.empty() && piece.back() == '\n') {
      consumed_ += line_length_;
      if (line_matches_) ++matching_lines_;
      line_length_ = 0;
      line_matches_ = false;
      tail_.clear();
    } else if (!line_matches_) {
      const std::size_t keep = kDestFilenameMarker.size() - 1;
      tail_ += piece.substr(piece.size() > keep ? piece.size() - keep : 0);
      if (tail_.size() > keep) tail_.erase(0, tail_.size() - keep);
    }
  }
}

std::uint64_t scanSetupLog(const Path& log_path, std::uint64_t& offset) {
  auto opened = File::open(log_path, File::Mode::kReadShared);
  if (!opened || !opened.value().seek(offset)) return 0;
  File& file = opened.value();

  MarkerLineCounter counter;
  std::array<char, 8192> buffer{};
  for (;;) {
    const auto count = file.read(buffer.data(), buffer.size());
    // A read error ends the pass like the end of the file: whatever complete lines
    // were read so far still count, the rest is read again next time.
    if (!count || count.value() == 0) break;
    counter.feed(std::string_view(buffer.data(), count.value()));
  }
  offset += counter.consumed();
  return counter.matching_lines();
}

}  // namespace quillmar
