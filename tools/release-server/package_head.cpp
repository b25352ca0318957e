#include "package_head.h"

#include <algorithm>

namespace quillmar::release_server {

namespace {

std::string content_range(std::uint64_t first, std::uint64_t last, std::uint64_t total) {
  return "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(total);
}

bool all_digits(const std::string& text) {
  return !text.empty() && text.size() <= 3 && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::optional<PackageValidators> package_validators(const std::string& kind, const std::string& sha256,
                                                    const std::string& last_modified) {
  // A strong validator: the package's digest names its bytes exactly.
  const std::string etag = "\"" + sha256 + "\"";
  if (kind == "strong") return PackageValidators{etag, std::nullopt, etag};
  if (kind == "weak") return PackageValidators{"W/" + etag, std::nullopt, std::nullopt};
  if (kind == "last-modified") return PackageValidators{std::nullopt, last_modified, last_modified};
  if (kind == "none") return PackageValidators{};
  return std::nullopt;
}

std::optional<std::uint64_t> requested_start(const std::optional<std::string>& range,
                                             const std::optional<std::string>& if_range,
                                             const std::optional<std::string>& if_range_match) {
  if (!range) return std::nullopt;
  if (if_range && if_range != if_range_match) return std::nullopt;
  static const std::string prefix = "bytes=";
  if (range->size() < prefix.size() + 2 || range->compare(0, prefix.size(), prefix) != 0 || range->back() != '-') {
    return std::nullopt;
  }
  const std::string digits = range->substr(prefix.size(), range->size() - prefix.size() - 1);
  if (digits.empty() || digits.size() > 19 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoull(digits);
}

bool known_hostile_range(const std::string& kind) {
  return kind == "other-start" || kind == "other-end" || kind == "other-total" || kind == "new-etag" ||
         all_digits(kind);
}

PackageHead package_head(std::optional<std::uint64_t> start, std::uint64_t size, const PackageValidators& validators,
                         const std::optional<std::string>& hostile) {
  PackageHead head;
  if (validators.etag) head.headers["ETag"] = *validators.etag;
  if (validators.last_modified) head.headers["Last-Modified"] = *validators.last_modified;
  head.headers["Accept-Ranges"] = "bytes";
  if (!start) {
    head.length = size;
    return head;
  }
  if (hostile && all_digits(*hostile)) {
    head.status = std::stoi(*hostile);
    if (head.status == 416) head.headers["Content-Range"] = "bytes */" + std::to_string(size);
    return head;
  }
  if (*start >= size) {
    head.status = 416;
    head.headers["Content-Range"] = "bytes */" + std::to_string(size);
    return head;
  }
  head.status = 206;
  head.first = *start;
  std::uint64_t last = size - 1;
  std::uint64_t total = size;
  const std::string kind = hostile.value_or("");
  // Each says honestly what it sends; what it sends is not what was asked for.
  if (kind == "other-start") head.first = *start >= 65536 ? *start - 65536 : *start + 1;
  if (kind == "other-end" && last > head.first) --last;
  if (kind == "other-total" || kind == "new-etag") head.other_bytes = true;
  if (kind == "other-total") ++total;
  if (kind == "new-etag") head.headers["ETag"] = "\"a-newer-package\"";
  head.length = last + 1 - head.first;
  head.headers["Content-Range"] = content_range(head.first, last, total);
  return head;
}

}  // namespace quillmar::release_server
