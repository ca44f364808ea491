#include <windows.h>

#include "files/folder_search.h"
#include "files/wildcard_match.h"
#include "files/win32_path.h"

namespace {

struct Win32Search {
  HANDLE handle = INVALID_HANDLE_VALUE;
  Text pattern;
  Text searchPath;  // to start over with
};

// The platform's search also matches a name through its short 8.3 alias
// ("notes.cuesheet" is NOTES~1.CUE, and so answers "*.cue"); only the name
// itself counts, as in the POSIX listing.
bool TakeEntryIfMatching(const WIN32_FIND_DATAW& data, const Text& pattern, FolderEntry* entry) {
  Text name = reinterpret_cast<const char16_t*>(data.cFileName);
  if (!MatchesWildcard(name, pattern)) return false;
  entry->name = std::move(name);
  entry->isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return true;
}

// Reads entries until one matches by its own name.
bool NextMatch(const Win32Search& search, FolderEntry* entry) {
  WIN32_FIND_DATAW data;
  while (FindNextFileW(search.handle, &data)) {
    if (TakeEntryIfMatching(data, search.pattern, entry)) return true;
  }
  return false;
}

}  // namespace

SearchStart StartFolderSearch(const Text& searchPath, FolderSearch* search, FolderEntry* first) {
  WIN32_FIND_DATAW data;
  const HANDLE handle = FindFirstFileW(WidePath(searchPath).c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    // Only "nothing matched" is an empty listing; a missing folder, a file
    // in place of the folder or a refused access is a failure.
    return GetLastError() == ERROR_FILE_NOT_FOUND ? SearchStart::NothingMatched
                                                  : SearchStart::Failed;
  }
  const size_t split = searchPath.find_last_of(u"\\/");
  auto* win32 =
      new Win32Search{handle, searchPath.substr(split == Text::npos ? 0 : split + 1), searchPath};
  if (!TakeEntryIfMatching(data, win32->pattern, first) && !NextMatch(*win32, first)) {
    FindClose(handle);
    delete win32;
    return SearchStart::NothingMatched;
  }
  *search = reinterpret_cast<FolderSearch>(win32);
  return SearchStart::Found;
}

bool ContinueFolderSearch(FolderSearch search, FolderEntry* entry) {
  return NextMatch(*reinterpret_cast<Win32Search*>(search), entry);
}

// A search handle cannot be taken back to its start: a new one is opened.
bool RewindFolderSearch(FolderSearch search, FolderEntry* first) {
  auto* win32 = reinterpret_cast<Win32Search*>(search);
  if (win32->handle != INVALID_HANDLE_VALUE) FindClose(win32->handle);
  WIN32_FIND_DATAW data;
  win32->handle = FindFirstFileW(WidePath(win32->searchPath).c_str(), &data);
  if (win32->handle == INVALID_HANDLE_VALUE) return false;
  return TakeEntryIfMatching(data, win32->pattern, first) || NextMatch(*win32, first);
}

void EndFolderSearch(FolderSearch search) {
  auto* win32 = reinterpret_cast<Win32Search*>(search);
  if (win32->handle != INVALID_HANDLE_VALUE) FindClose(win32->handle);
  delete win32;
}
