#pragma once

#include <optional>
#include <string>

#include "system/path.h"

namespace quillmar {

struct InstalledCopy {
  Path dir;
  std::string version;  // DisplayVersion exactly as stored
};

// The facts the page starts from, worked out once before the page loads.
struct InstallerEnvironment {
  Path dir;  // the folder to offer
  std::optional<InstalledCopy> installed;
  std::optional<std::string> requested_version;
};

// Reads the uninstall record, the file system, LOCALAPPDATA and the installer's own
// file name. Never fails: every missing fact becomes its default.
InstallerEnvironment discover_environment();

// The installed copy named by the uninstall record, if its executable is there.
std::optional<InstalledCopy> find_installed_copy();

// Where a fresh installation goes: <local data or public folder>/Programs/Quillmar.
Path default_install_folder();

}  // namespace quillmar
