#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "release_store.h"
#include "system/result.h"

namespace quillmar::release_server {

// The files a web server in front serves as they are, kept in one folder inside the
// releases folder, laid out as the URLs that reach them:
//
//   <releases>/public/api/v1/updates/downloads                         the catalogue
//   <releases>/public/api/v1/installer/download/<sha256>/<file name>   each package
//
// A package's path names its digest, so the bytes under one path never change: no
// cache between the front and a user can hand out an old body for a new digest, and
// a resumed download cannot join the head of one package to the tail of another.
inline constexpr char kStaticFolder[] = "public";

std::filesystem::path static_root(const std::filesystem::path& releases);

// The URL path of RELEASE's package: /api/v1/installer/download/<sha256>/<file name>.
std::string download_path(const Release& release);

// Where the front finds the package SHA256 / FILENAME of RELEASES.
std::filesystem::path static_package_path(const std::filesystem::path& releases, const std::string& sha256,
                                          const std::string& filename);

// Writes BYTES to PATH through a new file beside it renamed over PATH, so a reader
// sees the old content or the new, never a part of either.
Result<void> write_by_rename(const std::filesystem::path& path, std::string_view bytes);

// Refuses when PATH already holds other bytes than BYTES: a published path is
// never given new content.
Result<void> check_unchanged(const std::filesystem::path& path, std::string_view bytes);

// Puts the package PACKAGE (whose bytes are BYTES and digest SHA256) into the static
// tree, as a second link to the same file where the file system allows it. A package
// already there with the same bytes is left as it is.
Result<void> publish_package(const std::filesystem::path& releases, const std::filesystem::path& package,
                             const std::string& sha256, std::string_view bytes);

// Writes the catalogue of STORE into the static tree, replacing the old one by rename.
Result<void> publish_catalogue(const std::filesystem::path& releases, const ReleaseStore& store);

}  // namespace quillmar::release_server
