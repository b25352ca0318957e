#include "release_store.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace quillmar::release_server {
namespace {

std::vector<unsigned long> version_parts(const std::string& version) {
  std::vector<unsigned long> parts;
  std::stringstream stream(version);
  std::string part;
  while (std::getline(stream, part, '.')) {
    try {
      parts.push_back(std::stoul(part));
    } catch (const std::exception&) {
      parts.push_back(0);
    }
  }
  return parts;
}

nlohmann::json artifact(const Release& release) {
  return {{"filename", release.filename},
          {"published_at", release.published_at},
          {"sha256", release.sha256},
          {"size_bytes", release.size_bytes}};
}

}  // namespace

ReleaseStore ReleaseStore::load(const std::filesystem::path& folder, std::string& problem) {
  ReleaseStore store;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const auto description = entry.path() / "release.json";
    std::ifstream in(description);
    if (!in) continue;
    const auto json = nlohmann::json::parse(in, nullptr, false);
    if (!json.is_object()) {
      problem = description.string() + " is not a JSON object";
      return {};
    }
    try {
      Release release;
      release.version = json.at("version").get<std::string>();
      release.filename = json.at("filename").get<std::string>();
      release.published_at = json.at("published_at").get<std::string>();
      release.sha256 = json.at("sha256").get<std::string>();
      release.size_bytes = json.at("size_bytes").get<std::uint64_t>();
      release.package_path = entry.path() / release.filename;
      store.releases.push_back(std::move(release));
    } catch (const nlohmann::json::exception& failure) {
      problem = description.string() + ": " + failure.what();
      return {};
    }
  }
  if (error) problem = folder.string() + ": " + error.message();
  std::sort(store.releases.begin(), store.releases.end(), [](const Release& a, const Release& b) {
    return version_parts(a.version) > version_parts(b.version);
  });
  return store;
}

const Release* ReleaseStore::find(const std::string& version) const {
  for (const Release& release : releases) {
    if (release.version == version) return &release;
  }
  return nullptr;
}

const Release* ReleaseStore::find_package(const std::string& sha256, const std::string& filename) const {
  for (const Release& release : releases) {
    if (release.sha256 == sha256 && release.filename == filename) return &release;
  }
  return nullptr;
}

nlohmann::json ReleaseStore::catalogue() const {
  nlohmann::json answer = nlohmann::json::object();
  const Release* top = newest();
  if (top == nullptr) return answer;
  answer["version"] = top->version;
  answer["artifacts"] = {{"windows_x86_64", artifact(*top)}};
  answer["previous"] = nlohmann::json::array();
  for (std::size_t i = 1; i < releases.size(); ++i) {
    answer["previous"].push_back({{"version", releases[i].version},
                                  {"published_at", releases[i].published_at},
                                  {"artifacts", {{"windows_x86_64", artifact(releases[i])}}}});
  }
  return answer;
}

}  // namespace quillmar::release_server
