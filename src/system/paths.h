#pragma once

#include <optional>
#include <string>

#include "system/path.h"

namespace quillmar {

// The per-user local application data folder: %LOCALAPPDATA% on Windows. The Linux
// host reads $LOCALAPPDATA (tests set it), else the XDG data home. Nothing when the
// variable is unset or empty: an empty value would turn every folder built from it
// into a path relative to wherever the installer happens to run.
std::optional<Path> local_app_data();

// The user's temporary folder (GetTempPath2W where the system has it, else
// GetTempPathW; $TMPDIR, else /tmp, on the host). When the system names none, the
// one fallback_temp_folder chooses; empty when even that is unknown.
Path temp_folder();

// Where temporary files go when the system reports no temporary folder: inside the
// user's own profile (the local application data folder's "Temp", where the
// system keeps it by default, else the same place under the profile folder), never
// a folder the whole machine shares. Empty when neither folder is known.
Path fallback_temp_folder(const std::optional<Path>& local_app_data, const std::optional<Path>& user_profile);

// Where per-user programs go when there is no local data folder: C:\Users\Public on
// Windows, the temporary folder on the host.
Path public_folder();

// The full path of the running executable, if the system tells it.
std::optional<Path> own_executable_path();

// A path as text for the page and the log: lossy UTF-8 (unpaired surrogates and
// invalid bytes become U+FFFD), separators unchanged.
std::string path_to_text(const Path& path);

// Text the system keeps in its own encoding (a registry string, a path's native
// form) as lossy UTF-8, by the same rule as path_to_text.
std::string native_to_text(const Path::string_type& text);

// A path from UTF-8 text, the inverse of path_to_text for valid text. Names are
// joined the same way (folder / path_from_text("Logs")): a Path holds the system's
// own text, which on Windows is not UTF-8.
Path path_from_text(const std::string& text);

// True when PATH names a regular file, following symbolic links: a link to a file
// counts, a directory or a dangling link does not, and any error counts as false.
bool is_regular_file_following_links(const Path& path);

// The folder that holds the installer log, the web view data and the setup log:
// <local application data or temporary folder>/Quillmar/Logs.
Path logs_folder();

}  // namespace quillmar
