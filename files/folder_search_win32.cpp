#include <windows.h>

#include "files/folder_search.h"
#include "files/win32_path.h"

namespace {

void TakeEntry(const WIN32_FIND_DATAW& data, FolderEntry* entry) {
  entry->name = reinterpret_cast<const char16_t*>(data.cFileName);
  entry->isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

SearchStart StartFolderSearch(const Text& searchPath, FolderSearch* search, FolderEntry* first) {
  WIN32_FIND_DATAW data;
  const HANDLE handle = FindFirstFileW(WidePath(searchPath), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    // Only "nothing matched" is an empty listing; a missing folder, a file
    // in place of the folder or a refused access is a failure.
    return GetLastError() == ERROR_FILE_NOT_FOUND ? SearchStart::NothingMatched
                                                  : SearchStart::Failed;
  }
  TakeEntry(data, first);
  *search = reinterpret_cast<FolderSearch>(handle);
  return SearchStart::Found;
}

bool ContinueFolderSearch(FolderSearch search, FolderEntry* entry) {
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(reinterpret_cast<HANDLE>(search), &data)) return false;
  TakeEntry(data, entry);
  return true;
}

void EndFolderSearch(FolderSearch search) { FindClose(reinterpret_cast<HANDLE>(search)); }
