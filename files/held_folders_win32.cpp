#include <windows.h>

#include "files/held_folders.h"
#include "files/win32_path.h"

// Windows has no calls relative to an open folder in its file API: every
// file is opened by its whole path, and a hold only says that the folder
// is there ("" is the current folder, always there).
FolderHold HoldFolder(const Text& folder) {
  if (folder.empty()) return 1;
  const DWORD attributes = GetFileAttributesW(WidePath(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

void LetGoOfFolder(FolderHold) {}
