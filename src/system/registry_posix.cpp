#include "system/registry.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>

#include "system/os_error.h"
#include "system/paths.h"

// The host's stand-in for HKEY_CURRENT_USER. Each key is a folder under
// <local data>/Quillmar-Registry/HKEY_CURRENT_USER, one folder per backslash-separated
// component, holding values.json: an object that maps each value name to
// {"type": "REG_SZ" | "REG_EXPAND_SZ" | "REG_MULTI_SZ" | "REG_DWORD", "data": ...},
// where data is a string, an array of strings (REG_MULTI_SZ) or a number (REG_DWORD).
namespace quillmar {
namespace {

std::filesystem::path key_folder(std::string_view key) {
  std::filesystem::path folder = std::filesystem::path(local_app_data().value_or(temp_folder()).native()) /
                                 "Quillmar-Registry" / "HKEY_CURRENT_USER";
  std::size_t start = 0;
  while (start <= key.size()) {
    const std::size_t separator = std::min(key.find('\\', start), key.size());
    const std::string_view component = key.substr(start, separator - start);
    // Empty components and dot names would climb out of the store; a real registry
    // key cannot contain them as path steps either.
    if (!component.empty() && component != "." && component != "..") folder /= std::string(component);
    start = separator + 1;
  }
  return folder;
}

std::optional<nlohmann::json> read_values(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  nlohmann::json values = nlohmann::json::parse(text, nullptr, false);
  if (values.is_discarded() || !values.is_object()) return std::nullopt;
  return values;
}

std::optional<std::string> decode_string_value(const nlohmann::json& value) {
  if (!value.is_object()) return std::nullopt;
  const auto type = value.find("type");
  const auto data = value.find("data");
  if (type == value.end() || data == value.end() || !type->is_string()) return std::nullopt;
  std::string text;
  if (*type == "REG_SZ" || *type == "REG_EXPAND_SZ") {
    if (!data->is_string()) return std::nullopt;
    text = data->get<std::string>();
  } else if (*type == "REG_MULTI_SZ") {
    if (!data->is_array()) return std::nullopt;
    for (const auto& item : *data) {
      if (!item.is_string()) return std::nullopt;
      if (&item != &data->front()) text += '\n';
      text += item.get<std::string>();
    }
  } else {
    return std::nullopt;
  }
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

}  // namespace

std::optional<std::vector<NativeString>> read_user_string_values(std::string_view key,
                                                                 std::initializer_list<std::string_view> names) {
  const auto values = read_values(key_folder(key) / "values.json");
  if (!values) return std::nullopt;
  std::vector<NativeString> result;
  for (const std::string_view name : names) {
    const auto value = values->find(std::string(name));
    if (value == values->end()) return std::nullopt;
    auto text = decode_string_value(*value);
    if (!text) return std::nullopt;
    result.push_back(std::move(*text));
  }
  return result;
}

Result<void> write_user_string_value(std::string_view key, std::string_view name, const NativeString& value) {
  const std::filesystem::path folder = key_folder(key);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Error{os_error_text(error.value())};
  const std::filesystem::path file = folder / "values.json";
  nlohmann::json values = read_values(file).value_or(nlohmann::json::object());
  values[std::string(name)] = {{"type", "REG_SZ"}, {"data", value}};

  // Written aside and renamed over, so a reader never sees half a record.
  const std::filesystem::path partial = folder / "values.json.partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << values.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    if (!out.flush()) return Error{last_os_error_text()};
  }
  std::filesystem::rename(partial, file, error);
  if (error) return Error{os_error_text(error.value())};
  return {};
}

Result<void> delete_user_key(std::string_view key) {
  std::error_code error;
  std::filesystem::remove_all(key_folder(key), error);
  if (error) return Error{os_error_text(error.value())};
  return {};
}

}  // namespace quillmar
