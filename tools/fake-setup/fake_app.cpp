// The stand-in application, installed as quillmar.exe. With --verify-root DIR it
// checks every file the setup package recorded against its SHA-256 digest and exits
// 0 only when all match. With no arguments it records that it started and shows a
// small window where there is a display.

#include <cstdio>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app_window.h"
#include "setup_payload.h"
#include "system/file_io.h"
#include "system/file.h"
#include "system/paths.h"
#include "system/sha256.h"
#include "tool_main.h"

namespace fs = std::filesystem;
using namespace quillmar;
using namespace quillmar::fake_setup;

namespace {

constexpr int kDamaged = 1;
constexpr int kBadCommandLine = 2;

int verify_root(const Path& root) {
  // A package built to fail its integrity check says so in the fault record.
  if (const auto fault = read_whole_file(root / path_from_text(kFaultRecordName))) {
    const auto json = nlohmann::json::parse(*fault, nullptr, false);
    if (json.is_object() && json.contains("verify_exit_code") && json["verify_exit_code"].is_number_integer()) {
      return json["verify_exit_code"].get<int>();
    }
  }
  const auto record = read_whole_file(root / path_from_text(kDigestRecordName));
  if (!record) {
    std::fprintf(stderr, "verify-root: no digest record in %s\n", path_to_text(root).c_str());
    return kDamaged;
  }
  std::istringstream lines(*record);
  std::string line;
  int checked = 0;
  int damaged = 0;
  while (std::getline(lines, line)) {
    if (line.size() < 67 || line.compare(64, 2, "  ") != 0) {
      std::fprintf(stderr, "verify-root: malformed record line\n");
      return kDamaged;
    }
    const std::string expected = line.substr(0, 64);
    const std::string name = line.substr(66);
    const auto bytes = read_whole_file(root / path_from_text(name));
    ++checked;
    if (!bytes || to_hex(sha256_of(*bytes)) != expected) {
      std::fprintf(stderr, "verify-root: %s is missing or changed\n", name.c_str());
      ++damaged;
    }
  }
  if (checked == 0) {
    std::fprintf(stderr, "verify-root: the digest record is empty\n");
    return kDamaged;
  }
  return damaged == 0 ? 0 : kDamaged;
}

// Appends one line to launches.log beside the executable, so tests without a
// display can see that the application was started and in which folder.
void record_start() {
  const auto self = own_executable_path();
  if (!self) return;
  auto log = File::open(self->parent_path() / path_from_text("launches.log"), File::Mode::kAppend);
  if (!log) return;
  std::error_code error;
  (void)log.value().write("started in " + path_to_text(Path(fs::current_path(error))) + "\n");
}

}  // namespace

int tool_main(const std::vector<std::string>& arguments) {
  if (arguments.size() == 2 && arguments[0] == "--verify-root") return verify_root(path_from_text(arguments[1]));
  if (!arguments.empty()) {
    std::fprintf(stderr, "usage: quillmar.exe [--verify-root FOLDER]\n");
    return kBadCommandLine;
  }
  record_start();
  show_started_window();
  return 0;
}
