#include <string>

#include "server/release_client.h"
#include "server/release_parts.h"
#include "system/text.h"

namespace quillmar {

std::string ReleaseError::diagnostic() const {
  switch (kind) {
    case Kind::kUnavailable: return "Unavailable";
    case Kind::kNetwork: return "Network";
    case Kind::kServer: return "Server(" + std::to_string(status) + ")";
    case Kind::kUntrusted: return "Untrusted(" + quoted_text(message) + ")";
  }
  return "Network";
}

ReleaseError classify_status(int status) {
  if (status == 404 || status == 409) return ReleaseError{ReleaseError::Kind::kUnavailable, 0, {}};
  return ReleaseError{ReleaseError::Kind::kServer, static_cast<std::uint16_t>(status), {}};
}

ReleaseError untrusted(std::string message) {
  return ReleaseError{ReleaseError::Kind::kUntrusted, 0, std::move(message)};
}

}  // namespace quillmar
