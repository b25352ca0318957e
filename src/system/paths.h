#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillmar {

// The per-user local application data folder: %LOCALAPPDATA% on Windows. The Linux
// host reads $LOCALAPPDATA (tests set it), else the XDG data home. Nothing when the
// variable is unset or empty: an empty value would turn every folder built from it
// into a path relative to wherever the installer happens to run.
std::optional<std::filesystem::path> local_app_data();

// The user's temporary folder (GetTempPath2W where the system has it, else
// GetTempPathW; $TMPDIR, else /tmp, on the host). When the system names none, the
// one fallback_temp_folder chooses; empty when even that is unknown.
std::filesystem::path temp_folder();

// Where temporary files go when the system reports no temporary folder: inside the
// user's own profile (the local application data folder's "Temp", where the
// system keeps it by default, else the same place under the profile folder), never
// a folder the whole machine shares. Empty when neither folder is known.
std::filesystem::path fallback_temp_folder(const std::optional<std::filesystem::path>& local_app_data,
                                           const std::optional<std::filesystem::path>& user_profile);

// Where per-user programs go when there is no local data folder: C:\Users\Public on
// Windows, the temporary folder on the host.
std::filesystem::path public_folder();

// The full path of the running executable, if the system tells it.
std::optional<std::filesystem::path> own_executable_path();

// A path as text for the page and the log: lossy UTF-8 (unpaired surrogates and
// invalid bytes become U+FFFD), separators unchanged.
std::string path_to_text(const std::filesystem::path& path);

// Text the system keeps in its own encoding (a registry string, a path's native
// form) as lossy UTF-8, by the same rule as path_to_text.
std::string native_to_text(const std::filesystem::path::string_type& text);

// A path from UTF-8 text, the inverse of path_to_text for valid text. Paths are
// built from text (names included: folder / path_from_text("Logs")) only through
// this: on Windows the library's own narrow-text conversion goes through the C++
// locale machinery, which would add half a megabyte to the executable.
std::filesystem::path path_from_text(const std::string& text);

// True when PATH names a regular file, following symbolic links: a link to a file
// counts, a directory or a dangling link does not, and any error counts as false.
bool is_regular_file_following_links(const std::filesystem::path& path);

// The folder that holds the installer log, the web view data and the setup log:
// <local application data or temporary folder>/Quillmar/Logs.
std::filesystem::path logs_folder();

}  // namespace quillmar
