#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "files/folder_search.h"
#include "files/held_folders_posix.h"
#include "files/wildcard_match.h"
#include "text/path_separator.h"
#include "text/utf8.h"

namespace {

struct PosixSearch {
  DIR* folder = nullptr;
  Text pattern;
  int isRoot = -1;  // "/" has no "." or "..", like a Windows drive root; -1: not asked yet
  Text read;  // the name just read: its room and the entry's serve every name after
};

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Asked only of a listing that reaches "." or "..", which most patterns
// never match; the root itself is looked at once a run.
bool IsFileSystemRoot(DIR* listing) {
  static struct stat root;
  static const bool rootSeen = stat("/", &root) == 0;
  struct stat folder;
  return rootSeen && fstat(dirfd(listing), &folder) == 0 && folder.st_dev == root.st_dev &&
         folder.st_ino == root.st_ino;
}

// Reads entries until one matches the pattern.
bool NextMatch(PosixSearch& search, FolderEntry* entry) {
  while (const dirent* found = readdir(search.folder)) {
    search.read.clear();
    AppendUtf8KeepingBytes(&search.read, found->d_name, std::strlen(found->d_name));
    if (!MatchesWildcard(search.read, search.pattern)) continue;
    if (IsDotEntry(found->d_name)) {
      if (search.isRoot < 0) search.isRoot = IsFileSystemRoot(search.folder) ? 1 : 0;
      if (search.isRoot == 1) continue;
    }
    bool isFolder = found->d_type == DT_DIR;
    if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
      struct stat info;
      isFolder = fstatat(dirfd(search.folder), found->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
    }
    entry->name.swap(search.read);
    entry->isFolder = isFolder;
    return true;
  }
  return false;
}

}  // namespace

SearchStart StartFolderSearch(const Text& searchPath, FolderSearch* search, FolderEntry* first) {
  const size_t split = searchPath.rfind(kFolderSeparator);
  auto* posix = new PosixSearch;
  posix->pattern = searchPath.substr(split == Text::npos ? 0 : split + 1);
  posix->folder = OpenFolderEntries(split == Text::npos ? Text() : searchPath.substr(0, split + 1));
  if (posix->folder == nullptr) {
    delete posix;
    return SearchStart::Failed;
  }
  if (!NextMatch(*posix, first)) {
    closedir(posix->folder);
    delete posix;
    return SearchStart::NothingMatched;
  }
  *search = reinterpret_cast<FolderSearch>(posix);
  return SearchStart::Found;
}

bool RewindFolderSearch(FolderSearch search, FolderEntry* first) {
  auto* posix = reinterpret_cast<PosixSearch*>(search);
  rewinddir(posix->folder);
  return NextMatch(*posix, first);
}

bool ContinueFolderSearch(FolderSearch search, FolderEntry* entry) {
  return NextMatch(*reinterpret_cast<PosixSearch*>(search), entry);
}

void EndFolderSearch(FolderSearch search) {
  auto* posix = reinterpret_cast<PosixSearch*>(search);
  closedir(posix->folder);
  delete posix;
}
