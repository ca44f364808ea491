#include "ui/file_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

#include <cstdlib>

#include "files/win32_path.h"
#include "ui/dialog_modality_win32.h"

namespace {

constexpr DWORD kNameBufferLength = kDialogNameLimit + 1;

// The name buffer of the last dialog, kept until the next one begins.
wchar_t* gNameBuffer = nullptr;

}  // namespace

void InitDialogs() {
  // Tab, hot-key, date, combo-box-ex and IP-address controls; the version 6
  // controls themselves come from the manifest. Failure leaves the dialogs
  // plainer but still usable, so neither result matters.
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                   ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
  InitCommonControlsEx(&controls);
  // The explorer-style dialog hosts shell objects, which want an apartment.
  // The process ends without leaving it.
  CoInitialize(nullptr);
}

Text ShowPlatformFileDialog(const FileDialogRequest& request) {
  std::free(gNameBuffer);
  gNameBuffer = static_cast<wchar_t*>(std::calloc(kNameBufferLength, sizeof(wchar_t)));
  if (gNameBuffer == nullptr) return Text();
  request.initialName.copy(reinterpret_cast<char16_t*>(gNameBuffer), kDialogNameLimit);

  const Text filterList = FilterListForDialog(request.filter);

  // Zeroed first: no instance, custom filter, file title, default extension,
  // hook or template, and the size of the structure without its reserved tail.
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = DialogOwner();
  dialog.lpstrFilter = WideText(filterList);
  dialog.nFilterIndex = static_cast<DWORD>(request.filterPosition + 1);
  dialog.lpstrFile = gNameBuffer;
  dialog.nMaxFile = kNameBufferLength;
  dialog.lpstrInitialDir = request.hasInitialFolder ? WideText(request.initialFolder) : nullptr;
  dialog.lpstrTitle = WideText(request.title);
  // No OFN_FILEMUSTEXIST, OFN_OVERWRITEPROMPT or default extension: both
  // kinds return the typed name as it stands, in a folder that exists.
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

  BeginDialogModality();
  const BOOL confirmed = request.kind == FileDialogKind::Save ? GetSaveFileNameW(&dialog)
                                                              : GetOpenFileNameW(&dialog);
  EndDialogModality();
  // Cancelling leaves no error; a window wine could not make, or a path
  // longer than the name buffer, leaves one.
  if (!confirmed) SetLastDialogFailed(CommDlgExtendedError() != 0);
  if (!confirmed) return Text();
  return Text(reinterpret_cast<const char16_t*>(gNameBuffer));
}
