#include <windows.h>

#include <vector>

#include "files/held_folders.h"
#include "files/win32_path.h"

// Windows has no calls relative to an open folder in its file API: every
// file is opened by its whole path. A hold is a handle on the folder that
// shares everything but deletion: while it is open, nobody can rename,
// move or delete the folder (each needs the folder opened for deletion),
// so the whole path still leads where it led, and the folder cannot give
// way to a junction. Files inside it are made, renamed and removed as
// ever.

namespace {

struct HeldFolder {
  FolderHold hold;
  HANDLE handle;
};

// A run holds three folders at most (the chosen one, one below it, a
// sheet's), so a short vector beats any map.
std::vector<HeldFolder> gHeldFolders;
FolderHold gLastHold = 0;

}  // namespace

FolderHold HoldFolder(const Text& folder) {
  // "" is the current folder, which Windows itself holds the same way.
  const std::wstring path = folder.empty() ? std::wstring(L".") : WidePath(folder);
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // A folder that may be searched but not listed is still worked in, by
    // name, unheld: an open for less than listing keeps no one out.
    const DWORD refusal = GetLastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (refusal != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return 0;
    }
  } else {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information) ||
        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      CloseHandle(handle);
      return 0;
    }
  }
  gHeldFolders.push_back({++gLastHold, handle});
  return gLastHold;
}

void LetGoOfFolder(FolderHold hold) {
  for (auto it = gHeldFolders.begin(); it != gHeldFolders.end(); ++it) {
    if (it->hold != hold) continue;
    if (it->handle != INVALID_HANDLE_VALUE) CloseHandle(it->handle);
    gHeldFolders.erase(it);
    return;
  }
}
