#include "setup_payload.h"

#include <cstring>
#include <nlohmann/json.hpp>

namespace quillmar::fake_setup {

std::string manifest_to_json(const Manifest& manifest) {
  nlohmann::json files = nlohmann::json::array();
  for (const PayloadFile& file : manifest.files) {
    files.push_back({{"name", file.name}, {"offset", file.offset}, {"size", file.size}, {"executable", file.executable}});
  }
  nlohmann::json json = {{"version", manifest.version},          {"files", files},
                         {"exit_code", manifest.exit_code},      {"file_delay_ms", manifest.file_delay_ms},
                         {"write_log", manifest.write_log},      {"version_text", nullptr},
                         {"verify_exit_code", nullptr}};
  if (manifest.version_text) json["version_text"] = *manifest.version_text;
  if (manifest.verify_exit_code) json["verify_exit_code"] = *manifest.verify_exit_code;
  return json.dump();
}

std::optional<Manifest> manifest_from_json(const std::string& text) {
  const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  try {
    Manifest manifest;
    manifest.version = json.at("version").get<std::string>();
    for (const auto& file : json.at("files")) {
      manifest.files.push_back({file.at("name").get<std::string>(), file.at("offset").get<std::uint64_t>(),
                                file.at("size").get<std::uint64_t>(), file.at("executable").get<bool>()});
    }
    if (json.at("version_text").is_string()) manifest.version_text = json["version_text"].get<std::string>();
    manifest.exit_code = json.at("exit_code").get<int>();
    manifest.file_delay_ms = json.at("file_delay_ms").get<int>();
    manifest.write_log = json.at("write_log").get<bool>();
    if (json.at("verify_exit_code").is_number_integer()) manifest.verify_exit_code = json["verify_exit_code"].get<int>();
    return manifest;
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

namespace {

void put_u64(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t get_u64(const std::string& in, std::size_t at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[at + i]);
  return value;
}

}  // namespace

std::string encode_trailer(std::uint64_t payload_offset, std::uint64_t manifest_size) {
  std::string trailer;
  put_u64(trailer, payload_offset);
  put_u64(trailer, manifest_size);
  trailer.append(kTrailerMagic, 8);
  return trailer;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> decode_trailer(const std::string& trailer) {
  if (trailer.size() != kTrailerSize || std::memcmp(trailer.data() + 16, kTrailerMagic, 8) != 0) return std::nullopt;
  return std::make_pair(get_u64(trailer, 0), get_u64(trailer, 8));
}

}  // namespace quillmar::fake_setup
