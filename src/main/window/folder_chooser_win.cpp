#include "main/window/folder_chooser_win.h"

#include <shobjidl.h>

#include "main/window/com_ptr_win.h"

namespace quillmar {
namespace {

// The dialog's class, declared here: the interfaces come with their IIDs through
// __uuidof (see kInterfaceId), and the GUID library would add every GUID Windows
// defines to the executable for this one.
constexpr CLSID kFileOpenDialogClass = {0xdc1c5a9c, 0xe88a, 0x4dde, {0xa5, 0xa1, 0x60, 0xf8, 0x2a, 0x20, 0xae, 0xf7}};

}  // namespace

std::optional<Path> choose_folder_with_dialog(HWND owner, const std::optional<Path>& start) {
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(dialog.receive_by_iid([](REFIID iid, void** object) {
        return CoCreateInstance(kFileOpenDialogClass, nullptr, CLSCTX_INPROC_SERVER, iid, object);
      }))) {
    return std::nullopt;
  }
  // SetOptions replaces the dialog's defaults, so folder picking is all it is asked
  // for; a choice without a file-system path is turned away below instead.
  if (FAILED(dialog->SetOptions(FOS_PICKFOLDERS)) || FAILED(dialog->SetTitle(L"Quillmar"))) return std::nullopt;
  if (start) {
    // A start folder that cannot be named only costs the dialog its starting place.
    ComPtr<IShellItem> folder;
    if (SUCCEEDED(folder.receive_by_iid([&start](REFIID iid, void** object) {
          return SHCreateItemFromParsingName(start->c_str(), nullptr, iid, object);
        }))) {
      dialog->SetFolder(folder.get());
    }
  }
  if (FAILED(dialog->Show(owner))) return std::nullopt;  // cancelled, or the dialog failed

  ComPtr<IShellItem> chosen;
  if (FAILED(dialog->GetResult(chosen.receive())) || !chosen) return std::nullopt;
  PWSTR path = nullptr;
  if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
  Path folder(path);
  CoTaskMemFree(path);
  return folder;
}

}  // namespace quillmar
