// The stand-in setup package. Run with the installer's switches, it installs the
// payload appended to its own executable into /DIR=, logs one "Dest filename: "
// line per file to /LOG= as it goes, writes version.txt, a digest record for the
// application's --verify-root, the chosen shortcuts and the uninstall record, and
// exits with the code its manifest names (0 unless a test asked otherwise).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "setup_payload.h"
#include "shortcuts.h"
#include "system/file_io.h"
#include "system/paths.h"
#include "system/product.h"
#include "system/registry.h"
#include "system/sha256.h"
#include "system/standard_path.h"
#include "system/uninstall_record.h"
#include "tool_main.h"

namespace fs = std::filesystem;
using namespace quillmar;
using namespace quillmar::fake_setup;

namespace {

// Exit codes of the stand-in's own failures, apart from the manifest's chosen code.
constexpr int kBadCommandLine = 2;
constexpr int kDamagedPackage = 3;
constexpr int kInstallFailed = 4;

struct Options {
  std::optional<std::string> dir;
  std::string tasks;
  std::optional<std::string> log;
};

std::string upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::optional<Options> parse_options(const std::vector<std::string>& arguments) {
  static const char* const kFlags[] = {"/SP-",         "/VERYSILENT",  "/SUPPRESSMSGBOXES", "/NORESTART",
                                       "/CLOSEAPPLICATIONS", "/CURRENTUSER", "/SKIPBROWSERSETUP"};
  Options options;
  for (const std::string& argument : arguments) {
    const std::string name = upper(argument.substr(0, argument.find('=') + 1));
    if (name == "/DIR=") {
      options.dir = argument.substr(5);
    } else if (name == "/TASKS=") {
      options.tasks = argument.substr(7);
    } else if (name == "/LOG=") {
      options.log = argument.substr(5);
    } else if (std::find(std::begin(kFlags), std::end(kFlags), upper(argument)) == std::end(kFlags)) {
      std::fprintf(stderr, "fake setup: unknown switch %s\n", argument.c_str());
      return std::nullopt;
    }
  }
  if (!options.dir || options.dir->empty()) {
    std::fprintf(stderr, "fake setup: /DIR= is required\n");
    return std::nullopt;
  }
  return options;
}

bool has_task(const std::string& tasks, const std::string& wanted) {
  std::size_t start = 0;
  while (start <= tasks.size()) {
    const std::size_t comma = std::min(tasks.find(',', start), tasks.size());
    if (upper(tasks.substr(start, comma - start)) == upper(wanted)) return true;
    start = comma + 1;
  }
  return false;
}

// The setup log, written line by line and flushed after each so that a reader
// following the file sees every line as soon as it is complete.
class SetupLog {
 public:
  explicit SetupLog(const std::optional<fs::path>& path) {
    if (path) file_.open(*path, std::ios::binary | std::ios::trunc);
  }
  void line(const std::string& text) {
    if (!file_.is_open()) return;
    file_ << text << "\r\n";
    file_.flush();
  }

 private:
  std::ofstream file_;
};

bool write_file(const fs::path& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::pair<Manifest, std::string>> read_own_package() {
  const auto self = own_executable_path();
  if (!self) return std::nullopt;
  const auto read = read_whole_file(*self);
  if (!read) return std::nullopt;
  const std::string& package = *read;
  if (package.size() < kTrailerSize) return std::nullopt;
  const auto trailer = decode_trailer(package.substr(package.size() - kTrailerSize));
  if (!trailer) return std::nullopt;
  const auto [payload_offset, manifest_size] = *trailer;
  if (payload_offset > package.size() || manifest_size > package.size() - kTrailerSize - payload_offset) {
    return std::nullopt;
  }
  auto manifest = manifest_from_json(package.substr(package.size() - kTrailerSize - manifest_size, manifest_size));
  if (!manifest) return std::nullopt;
  const std::uint64_t payload_size = package.size() - kTrailerSize - manifest_size - payload_offset;
  for (const PayloadFile& file : manifest->files) {
    if (file.offset > payload_size || file.size > payload_size - file.offset) return std::nullopt;
  }
  return std::make_pair(std::move(*manifest), package.substr(payload_offset, payload_size));
}

}  // namespace

int tool_main(const std::vector<std::string>& arguments) {
  const auto options = parse_options(arguments);
  if (!options) return kBadCommandLine;
  const auto package = read_own_package();
  if (!package) {
    std::fprintf(stderr, "fake setup: the package carries no readable payload\n");
    return kDamagedPackage;
  }
  const auto& [manifest, payload] = *package;

  const fs::path folder = standard_path(path_from_text(*options->dir));
  std::optional<fs::path> log_path;
  if (options->log && manifest.write_log) log_path = standard_path(path_from_text(*options->log));
  SetupLog log(log_path);
  log.line("Setup version: Quillmar stand-in setup " + manifest.version);
  for (std::size_t i = 0; i < arguments.size(); ++i) log.line("Argument " + std::to_string(i + 1) + ": " + arguments[i]);

  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    log.line("Cannot create the folder: " + error.message());
    return kInstallFailed;
  }

  std::string digests;
  const auto install = [&](const std::string& name, const std::string& bytes) {
    const fs::path target = folder / standard_path(path_from_text(name));
    if (!write_file(target, bytes)) return false;
    digests += to_hex(sha256_of(bytes)) + "  " + name + "\n";
    log.line("Dest filename: " + path_to_text(Path(target)));
    if (manifest.file_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(manifest.file_delay_ms));
    return true;
  };

  for (const PayloadFile& file : manifest.files) {
    if (!install(file.name, payload.substr(file.offset, file.size))) return kInstallFailed;
    if (file.executable) {
      fs::permissions(folder / standard_path(path_from_text(file.name)),
                      fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add,
                      error);
    }
  }
  if (!install(kVersionRecordName, manifest.version_text.value_or(manifest.version + "\r\n"))) return kInstallFailed;
  if (!write_file(folder / kDigestRecordName, digests)) return kInstallFailed;
  if (manifest.verify_exit_code &&
      !write_file(folder / kFaultRecordName, "{\"verify_exit_code\":" + std::to_string(*manifest.verify_exit_code) + "}")) {
    return kInstallFailed;
  }

  const fs::path application = folder / kApplicationFileName;
  if (has_task(options->tasks, "desktopicon") && !create_shortcut(ShortcutPlace::kDesktop, application)) {
    log.line("Cannot create the desktop shortcut");
  }
  if (has_task(options->tasks, "startmenuicon") && !create_shortcut(ShortcutPlace::kStartMenu, application)) {
    log.line("Cannot create the Start menu shortcut");
  }

  if (!write_user_string_value(kUninstallRecordKey, "DisplayVersion", path_from_text(manifest.version).native()) ||
      !write_user_string_value(kUninstallRecordKey, "InstallLocation", folder.native())) {
    log.line("Cannot write the uninstall record");
    return kInstallFailed;
  }
  log.line("Installation process succeeded.");
  return manifest.exit_code;
}
