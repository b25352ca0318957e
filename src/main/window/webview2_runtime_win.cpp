#include "main/window/webview2_runtime_win.h"

#include <array>
#include <optional>
#include <vector>

#include "main/window/runtime_version.h"
#include "main/window/web_view_failure.h"
#include "system/handle_win.h"
#include "system/wide_text_win.h"

namespace quillmar {
namespace {

// The updater's channel records, in the order the vendor's own loader searches them.
constexpr std::array<const wchar_t*, 4> kChannelKeys = {
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}",  // stable
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}",  // beta
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}",  // dev
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{65C35B14-6C1D-4122-AC46-7148CC9D6497}",  // canary
};
constexpr wchar_t kFolderValue[] = L"EBWebView";
constexpr wchar_t kDllBelowFolder[] = L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";

constexpr char kFindStep[] = "Finding the WebView2 runtime";
constexpr char kVersionStep[] = "Checking the WebView2 runtime version";
constexpr char kLoadStep[] = "Loading the WebView2 runtime";
constexpr char kEntryStep[] = "Finding the WebView2 runtime's entry point";

// The updater is a 32-bit program: its machine-wide records live in the 32-bit view
// (WOW6432Node on 64-bit Windows). HKEY_CURRENT_USER\Software is shared by both
// views, so the same flag reads the per-user record where it is.
std::optional<std::wstring> recorded_folder(HKEY hive, const wchar_t* key_path) {
  RegistryKeyHandle key;
  if (RegOpenKeyExW(hive, key_path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD bytes = 0;
  if (RegGetValueW(key.get(), nullptr, kFolderValue, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring folder(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
  if (RegGetValueW(key.get(), nullptr, kFolderValue, RRF_RT_REG_SZ, nullptr, folder.data(), &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  folder.resize(wcsnlen(folder.c_str(), folder.size()));
  if (folder.empty()) return std::nullopt;
  return folder;
}

std::vector<std::wstring> recorded_folders() {
  std::vector<std::wstring> folders;
  for (const wchar_t* key : kChannelKeys) {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      if (auto folder = recorded_folder(hive, key)) folders.push_back(std::move(*folder));
    }
  }
  return folders;
}

bool file_exists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HRESULT last_error_hresult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

std::string runtime_blocked_text(std::string_view what) {
  std::string text = "the system's policy does not allow the web view runtime";
  if (!what.empty()) text.append(": ").append(what);
  return text;
}

Result<LoadedRuntime> load_installed_runtime() {
  // The loader's environment-variable and policy overrides are deliberately not
  // honoured: the installer has no settings of its own, and a variable naming a
  // runtime folder would let anything that can set it choose the code loaded here.
  // When no record is usable, the first one's fault is reported: a user who has a
  // runtime is told why it does not do, rather than that there is none.
  std::optional<Error> refused;
  auto refuse = [&refused](const char* step, DWORD error, const std::string& reason) {
    if (!refused) {
      refused = Error{web_view_failure_text(step, static_cast<std::uint32_t>(HRESULT_FROM_WIN32(error)), reason)};
    }
  };
  std::wstring chosen;
  for (const std::wstring& folder : recorded_folders()) {
    const std::string folder_text = wide_to_utf8(folder);
    const std::optional<RuntimeVersion> version = runtime_version_of_folder(folder_text);
    if (!version) {
      refuse(kVersionStep, ERROR_OLD_WIN_VERSION, folder_text + " names no runtime version");
      continue;
    }
    if (!is_supported_runtime_version(*version)) {
      refuse(kVersionStep, ERROR_OLD_WIN_VERSION,
             runtime_version_text(*version) + " is older than " + runtime_version_text(kOldestRuntimeVersion));
      continue;
    }
    // A record left behind by an uninstall, a broken install, or a runtime without
    // the x64 part this executable needs (an x86-only one on 64-bit Windows; on ARM64
    // the runtime must carry it too).
    if (!file_exists(folder + kDllBelowFolder)) {
      refuse(kFindStep, ERROR_FILE_NOT_FOUND,
             "the runtime " + runtime_version_text(*version) + " at " + folder_text +
                 " has no x64 part: " + wide_to_utf8(kDllBelowFolder + 1) + " is missing");
      continue;
    }
    chosen = folder;
    break;
  }
  if (chosen.empty()) {
    if (refused) return *refused;
    return Error{web_view_failure_text(kFindStep, static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)))};
  }

  // By full path; its own dependencies come from its folder or the system folder,
  // never from the folder the installer was started from.
  const std::wstring dll = chosen + kDllBelowFolder;
  HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) {
    const HRESULT code = last_error_hresult();
    return Error{web_view_failure_text(kLoadStep, static_cast<std::uint32_t>(code),
                                       code == kBlockedByPolicy ? runtime_blocked_text(wide_to_utf8(dll))
                                                                : wide_to_utf8(dll))};
  }
  LoadedRuntime runtime;
  runtime.module = module;
  runtime.folder = chosen;
  FARPROC entry = GetProcAddress(module, webview2::kCreateEnvironmentExport);
  if (!entry) return Error{web_view_failure_text(kEntryStep, static_cast<std::uint32_t>(last_error_hresult()))};
  runtime.create_environment = reinterpret_cast<webview2::CreateEnvironmentInternal>(reinterpret_cast<void (*)()>(entry));
  return runtime;
}

}  // namespace quillmar
