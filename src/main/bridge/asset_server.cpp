#include "main/bridge/asset_server.h"

namespace quillmar {

std::string_view request_path(std::string_view uri) {
  const std::size_t end = uri.find_first_of("?#");
  std::string_view path = uri.substr(0, end);
  // Past "scheme://authority" when there is one; a bare path stays as it is.
  if (const std::size_t scheme_end = path.find("://"); scheme_end != std::string_view::npos) {
    path.remove_prefix(scheme_end + 3);
    const std::size_t slash = path.find('/');
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
  }
  return path;
}

AssetResponse serve_asset(std::string_view uri, std::span<const Asset> table) {
  std::string_view path = request_path(uri);
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  if (path.empty()) path = "index.html";

  for (const Asset& asset : table) {
    if (asset.path != path) continue;
    AssetResponse response;
    response.status = 200;
    response.headers = {{"Content-Type", std::string(asset.content_type)},
                        {"Content-Security-Policy", kContentSecurityPolicy},
                        {"X-Content-Type-Options", "nosniff"}};
    response.body = asset.bytes;
    return response;
  }
  return AssetResponse{};
}

}  // namespace quillmar
