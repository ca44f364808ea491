#include "files/file_size.h"

#include "text/path_separator.h"

int64_t FileSize(const Text& path) {
  if (path.empty()) return kNoFile;
  // "C:\discs\" and "C:\discs" name the same folder; a lone separator
  // stays, since it names the root. Only the platform's separators go: a
  // Linux folder may be called "Disc\".
  size_t end = path.size();
  while (end > 1 && IsFolderSeparator(path[end - 1])) --end;
  return PlatformFileSize(path.substr(0, end));
}
