#include "gui/win32/folder_picker.h"

#include <shobjidl.h>

#include <cwchar>

#include "platform/win32/com_ptr.h"

namespace gui::win32 {

PickedFolder PickFolder(HWND owner, const std::wstring& title) {
  PickedFolder picked;
  platform::win32::Com<IFileOpenDialog> dialog;
  HRESULT hr = ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(dialog.Put()));
  if (FAILED(hr)) {
    wchar_t text[80];
    swprintf(text, 80, L"The folder picker could not be opened (error 0x%08lX).",
             static_cast<unsigned long>(hr));
    picked.error = text;
    return picked;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  if (SUCCEEDED(dialog->GetOptions(&options))) {
    // A folder on a drive only: the settings keep a drive path, never a library or a
    // network place the elevated steps would resolve differently.
    (void)dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                             FOS_NOCHANGEDIR);
  }
  (void)dialog->SetTitle(title.c_str());
  hr = dialog->Show(owner);
  if (hr == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return picked;
  platform::win32::Com<IShellItem> item;
  PWSTR path = nullptr;
  if (FAILED(hr) || FAILED(dialog->GetResult(item.Put())) ||
      FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
    picked.error = L"The folder picker did not return a folder.";
    return picked;
  }
  picked.folder = path;
  ::CoTaskMemFree(path);
  return picked;
}

}  // namespace gui::win32
