#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace quillmar::release_server {

// One release as the packaging step filed it: DIR/<version>/release.json beside
// the setup package it describes.
struct Release {
  std::string version;
  std::string filename;
  std::string published_at;
  std::string sha256;
  std::uint64_t size_bytes = 0;
  std::filesystem::path package_path;

  bool operator==(const Release&) const = default;
};

// The releases of a folder, newest first (versions compare part by part as numbers).
struct ReleaseStore {
  std::vector<Release> releases;

  static ReleaseStore load(const std::filesystem::path& folder, std::string& problem);

  const Release* newest() const { return releases.empty() ? nullptr : &releases.front(); }
  const Release* find(const std::string& version) const;
  // The release whose package has digest SHA256 and name FILENAME.
  const Release* find_package(const std::string& sha256, const std::string& filename) const;

  // The unsigned catalogue answer: the newest with its artifacts, the older ones
  // under "previous".
  nlohmann::json catalogue() const;

  bool operator==(const ReleaseStore&) const = default;
};

}  // namespace quillmar::release_server
