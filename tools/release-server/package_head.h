#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace quillmar::release_server {

// What package answers say of themselves, the --validator switch: a strong ETag
// (the default), only a weak ETag, only Last-Modified, or neither. `if_range` is
// the one value an If-Range must carry to get a range: a weak ETag never can.
struct PackageValidators {
  std::optional<std::string> etag;
  std::optional<std::string> last_modified;
  std::optional<std::string> if_range;
};
// KIND is "strong", "weak", "last-modified" or "none"; nothing for another word.
std::optional<PackageValidators> package_validators(const std::string& kind, const std::string& sha256,
                                                    const std::string& last_modified);

// The first byte a package request asks for: "Range: bytes=N-" alone, honoured when
// it comes without If-Range or with one that names IF_RANGE_MATCH. Any other form
// of Range is answered with the whole body, as HTTP allows.
std::optional<std::uint64_t> requested_start(const std::optional<std::string>& range,
                                             const std::optional<std::string>& if_range,
                                             const std::optional<std::string>& if_range_match);

// The range answers a broken or hostile server gives instead of the right one (the
// --range-answer switch): a 206 from another byte than asked, one that stops before
// the package's last byte, one for a package of another size, one for a package
// that changed while If-Range was ignored (another ETag), or a bare status.
bool known_hostile_range(const std::string& kind);

// The head of one package answer and which bytes follow it.
struct PackageHead {
  int status = 200;
  std::map<std::string, std::string> headers;
  std::uint64_t first = 0;   // the body's first byte in the package
  std::uint64_t length = 0;  // body bytes
  bool other_bytes = false;  // the body is another package's: every byte differs
};

// The answer to a request for the range from START (none: the whole package) of a
// package of SIZE bytes; HOSTILE, when given, is the kind of wrong range answer to
// give instead.
PackageHead package_head(std::optional<std::uint64_t> start, std::uint64_t size, const PackageValidators& validators,
                         const std::optional<std::string>& hostile);

}  // namespace quillmar::release_server
