#pragma once

namespace quillmar {

// The per-user uninstall record that the setup package writes and discovery reads;
// both must name the same key.
inline constexpr char kUninstallRecordKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3D5A9C41-6B2E-4F8A-9E07-C1D24B8F5A63}_is1";

}  // namespace quillmar
