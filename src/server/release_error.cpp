#include <string>

#include "server/release_client.h"
#include "server/release_parts.h"

namespace quillmar {
namespace {

// A text in double quotes with inner quotes and backslashes escaped. Line breaks
// and tabs are escaped as well, so a message can never split a log line.
std::string debug_quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string ReleaseError::diagnostic() const {
  switch (kind) {
    case Kind::kUnavailable: return "Unavailable";
    case Kind::kNetwork: return "Network";
    case Kind::kServer: return "Server(" + std::to_string(status) + ")";
    case Kind::kUntrusted: return "Untrusted(" + debug_quoted(message) + ")";
  }
  return "Network";
}

std::string ReleaseError::reason_word() const {
  switch (kind) {
    case Kind::kUnavailable: return "unavailable";
    case Kind::kNetwork: return "network";
    case Kind::kServer:
    case Kind::kUntrusted: return "server";
  }
  return "network";
}

ReleaseError classify_status(int status) {
  if (status == 404 || status == 409) return ReleaseError{ReleaseError::Kind::kUnavailable, 0, {}};
  return ReleaseError{ReleaseError::Kind::kServer, static_cast<std::uint16_t>(status), {}};
}

ReleaseError untrusted(std::string message) {
  return ReleaseError{ReleaseError::Kind::kUntrusted, 0, std::move(message)};
}

}  // namespace quillmar
