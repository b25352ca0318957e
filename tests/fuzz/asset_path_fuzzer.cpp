// libFuzzer target for the asset server over the page's real table: a request URI
// from the web view to a file of the page or a refusal. Besides crashes and
// sanitizer findings it traps when
//   - an answer of 200 carries anything but the bytes and type of the first table
//     entry with its path, or that path is not named in the URI (index.html alone
//     may be named by no path at all);
//   - a refusal is anything but 404 with no header and no body;
//   - a table path, asked for in either origin's form with the input as query or
//     fragment, is not served.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "main/bridge/asset_server.h"

namespace {

using quillmar::Asset;
using quillmar::AssetResponse;

const Asset& first_with_path(std::string_view path) {
  for (const Asset& asset : quillmar::embedded_assets()) {
    if (asset.path == path) return asset;
  }
  __builtin_trap();
}

void check_answer(std::string_view uri, const AssetResponse& response) {
  if (response.status == 404) {
    if (!response.headers.empty() || !response.body.empty()) __builtin_trap();
    return;
  }
  if (response.status != 200 || response.headers.size() != 3) __builtin_trap();
  const auto table = quillmar::embedded_assets();
  const Asset* served = nullptr;
  for (const Asset& asset : table) {
    if (asset.bytes.data() == response.body.data() && asset.bytes.size() == response.body.size()) {
      served = &asset;
      break;
    }
  }
  if (served == nullptr || &first_with_path(served->path) != served) __builtin_trap();
  if (response.headers[0] != std::pair<std::string, std::string>("Content-Type", std::string(served->content_type))) {
    __builtin_trap();
  }
  if (served->path != "index.html" && uri.find(served->path) == std::string_view::npos) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view uri(reinterpret_cast<const char*>(data), size);
  check_answer(uri, quillmar::serve_asset(uri, quillmar::embedded_assets()));

  const auto table = quillmar::embedded_assets();
  const Asset& wanted = table[size % table.size()];
  for (const char* origin : {"quillmar://localhost/", "http://quillmar.localhost/"}) {
    for (const char* separator : {"?", "#"}) {
      const std::string asked = origin + std::string(wanted.path) + separator + std::string(uri);
      const AssetResponse response = quillmar::serve_asset(asked, table);
      if (response.status != 200 || response.body.data() != first_with_path(wanted.path).bytes.data()) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
