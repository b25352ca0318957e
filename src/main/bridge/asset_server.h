#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "main/bridge/asset_table.h"

namespace quillmar {

// The policy every page file is served with: only the page's own scripts run, inline
// styles are allowed (the toolkit sets them), and the page reaches nothing outside
// the app origin.
inline constexpr char kContentSecurityPolicy[] =
    "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
    "connect-src 'none'; object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

struct AssetResponse {
  int status = 404;
  std::vector<std::pair<std::string, std::string>> headers;  // in sending order
  std::span<const unsigned char> body;                       // points into the table
};

// The path part of a request URI, without scheme, authority, query or fragment:
// "quillmar://localhost/a/b?x#y" gives "/a/b", "http://host" gives "".
std::string_view request_path(std::string_view uri);

// Answers one request of the web view for the custom protocol, from TABLE. The path
// is taken from URI, its leading slashes dropped ("" means index.html), and compared
// byte for byte with each table path in order: no decoding, no case folding, no ".."
// handling, so nothing outside the table can ever be named. Found: 200 with
// Content-Type, Content-Security-Policy and X-Content-Type-Options in that order.
// Not found: 404 with no headers and an empty body.
AssetResponse serve_asset(std::string_view uri, std::span<const Asset> table);

}  // namespace quillmar
