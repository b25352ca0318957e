#pragma once

// Fixed facts about this installer that every part quotes. They are compiled in:
// the installer keeps no configuration file, option or environment variable.
namespace quillmar {

inline constexpr char kInstallerVersion[] = "1.5.13";
inline constexpr char kPlatformWord[] = "windows_x86_64";
inline constexpr char kProductWord[] = "Quillmar";

// The installed application's executable inside the installation folder.
inline constexpr char kApplicationFileName[] = "quillmar.exe";

// The space an installation needs: 1.5 GiB.
inline constexpr unsigned long long kRequiredBytes = 1610612736ULL;

}  // namespace quillmar
