#pragma once

// Finds the installed web view runtime and loads it, without the vendor's loader
// DLL (which would be one more file beside the installer to trust). Included only by
// *_win.cpp files.

#include <windows.h>

#include <string>

#include "main/webview2_abi_win.h"
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

// Looks the runtime up where its updater records it (channels stable, beta, dev,
// canary; in each the machine-wide record before the per-user one), refuses one too
// old for the interfaces the host calls, and loads its DLL by full path. The error
// names the failed step and its HRESULT; no runtime at all is 0x80070002.
Result<LoadedRuntime> load_installed_runtime();

}  // namespace quillmar
