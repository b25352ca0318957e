#pragma once

// Finds the installed web view runtime and loads it, without the vendor's loader
// DLL (which would be one more file beside the installer to trust). Included only by
// *_win.cpp files.

#include <windows.h>

#include <string>
#include <string_view>

#include "main/window/webview2_abi_win.h"
#include "system/result.h"

namespace quillmar {

// The runtime's DLL, loaded, with its environment entry point. The module is never
// unloaded: objects it made (and threads it started) may outlive any owner here, and
// unloading it under them would crash the process, so it goes with the process.
struct LoadedRuntime {
  HMODULE module = nullptr;
  webview2::CreateEnvironmentInternal create_environment = nullptr;
  std::wstring folder;  // the versioned runtime folder
};

// HRESULT_FROM_WIN32(ERROR_ACCESS_DISABLED_BY_POLICY): what loading the runtime or
// creating its environment answers when an administrator's policy forbids it
// (AppLocker, software restriction, the runtime's own policy).
inline constexpr HRESULT kBlockedByPolicy = static_cast<HRESULT>(0x800704ECu);

// The detail of such a failure, naming WHAT was refused when there is one.
std::string runtime_blocked_text(std::string_view what);

// Looks the runtime up where its updater records it (channels stable, beta, dev,
// canary; in each the machine-wide record before the per-user one), refuses one too
// old for the interfaces the host calls, and loads its DLL by full path. The error
// names the failed step and its HRESULT; no runtime at all is 0x80070002. A runtime
// that is recorded but unusable (too old, without its x64 part, blocked by policy)
// is named with its own reason.
Result<LoadedRuntime> load_installed_runtime();

}  // namespace quillmar
