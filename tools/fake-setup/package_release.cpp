// Makes a stand-in setup package: the stub with the application and a folder of
// files appended, optionally filed into a releases folder as the development
// release server expects it. Options for faulty packages let tests provoke every
// way a real package can let the installer down.

#include <chrono>
#include <cstdio>
#include <date/date.h>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <system_error>

#include "setup_payload.h"
#include "static_tree.h"
#include "system/file_io.h"
#include "system/sha256.h"
#include "system/version_rule.h"
#include "tool_main.h"

namespace fs = std::filesystem;
using namespace quillmar;
using namespace quillmar::fake_setup;

namespace {

constexpr char kUsage[] =
    "usage: quillmar-package-release --stub STUB --app APP --version VERSION\n"
    "         (--out FILE | --releases FOLDER) [--from FOLDER]\n"
    "         [--exit-code N] [--file-delay-ms N] [--version-text TEXT] [--no-log]\n"
    "         [--verify-exit-code N] [--published-at DATE-TIME]\n";

int fail(const std::string& message) {
  std::fprintf(stderr, "quillmar-package-release: %s\n", message.c_str());
  return 1;
}

std::string now_rfc3339() {
  return date::format("%FT%TZ", date::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
}

void make_executable(const fs::path& path) {
  std::error_code ignored;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ignored);
}

// Files RELEASE into the releases folder RELEASES: the package and its description
// in the release's own folder, the package and the new catalogue in the tree the
// front serves. Every file is replaced by rename, so the servers reading the folder
// meanwhile see each file whole; the package is reachable before any description
// names it. A package path already published with other bytes stops it before
// anything is written.
Result<void> publish(const fs::path& releases, const nlohmann::json& release, const std::string& package) {
  const std::string sha256 = release["sha256"];
  const std::string filename = release["filename"];
  const fs::path folder = releases / release["version"].get<std::string>();
  QUILLMAR_TRY(release_server::check_unchanged(release_server::static_package_path(releases, sha256, filename),
                                               package));
  const fs::path package_path = folder / filename;
  QUILLMAR_TRY(release_server::write_by_rename(package_path, package));
  make_executable(package_path);
  QUILLMAR_TRY(release_server::publish_package(releases, package_path, sha256, package));
  QUILLMAR_TRY(release_server::write_by_rename(folder / "release.json", release.dump(2) + "\n"));
  std::string problem;
  const auto store = release_server::ReleaseStore::load(releases, problem);
  if (!problem.empty()) return Error{problem};
  return release_server::publish_catalogue(releases, store);
}

}  // namespace

int tool_main(const std::vector<std::string>& arguments) {
  std::map<std::string, std::string> values;
  bool no_log = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--no-log") {
      no_log = true;
    } else if (arguments[i].rfind("--", 0) == 0 && i + 1 < arguments.size()) {
      values[arguments[i].substr(2)] = arguments[i + 1];
      ++i;
    } else {
      return fail("unexpected argument " + arguments[i] + "\n" + kUsage);
    }
  }
  for (const char* required : {"stub", "app", "version"}) {
    if (!values.count(required)) return fail(std::string("--") + required + " is required\n" + kUsage);
  }
  if (values.count("out") == values.count("releases")) return fail(std::string("give --out or --releases\n") + kUsage);

  Manifest manifest;
  manifest.version = values["version"];
  try {
    if (values.count("exit-code")) manifest.exit_code = std::stoi(values["exit-code"]);
    if (values.count("file-delay-ms")) manifest.file_delay_ms = std::stoi(values["file-delay-ms"]);
    if (values.count("verify-exit-code")) manifest.verify_exit_code = std::stoi(values["verify-exit-code"]);
  } catch (const std::exception&) {
    return fail("a numeric option is not a number");
  }
  if (values.count("version-text")) manifest.version_text = values["version-text"];
  manifest.write_log = !no_log;

  const auto stub = read_whole_file(Path(values["stub"]));
  if (!stub) return fail("cannot read the stub " + values["stub"]);
  const auto application = read_whole_file(Path(values["app"]));
  if (!application) return fail("cannot read the application " + values["app"]);

  std::string payload = *application;
  manifest.files.push_back({"quillmar.exe", 0, application->size(), true});
  if (values.count("from")) {
    const fs::path from = values["from"];
    std::error_code error;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(from, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
      if (it->is_regular_file()) files.push_back(it->path());
    }
    if (error) return fail("cannot list " + values["from"] + ": " + error.message());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      const auto bytes = read_whole_file(Path(file));
      if (!bytes) return fail("cannot read " + file.string());
      manifest.files.push_back({fs::relative(file, from).generic_string(), payload.size(), bytes->size(), false});
      payload += *bytes;
    }
  }

  const std::string manifest_text = manifest_to_json(manifest);
  const std::string package = *stub + payload + manifest_text + encode_trailer(stub->size(), manifest_text.size());

  const std::string filename = values.count("out") ? fs::path(values["out"]).filename().string()
                                                   : "quillmar-setup-" + manifest.version + ".exe";
  const nlohmann::json release = {{"filename", filename},
                                  {"published_at", values.count("published-at") ? values["published-at"] : now_rfc3339()},
                                  {"sha256", to_hex(sha256_of(package))},
                                  {"size_bytes", package.size()},
                                  {"version", manifest.version}};
  if (values.count("out")) {
    if (auto written = release_server::write_by_rename(values["out"], package); !written) {
      return fail(written.error().message);
    }
    make_executable(values["out"]);
  } else {
    if (!matches_version_rule(manifest.version)) return fail("a release needs a version such as 1.5.13");
    if (auto published = publish(values["releases"], release, package); !published) {
      return fail(published.error().message);
    }
  }
  std::printf("%s\n", release.dump().c_str());
  return 0;
}
