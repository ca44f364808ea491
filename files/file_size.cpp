#include "files/file_size.h"

#include "text/path_separator.h"

int64_t FileSize(const Text& path) {
  if (path.empty()) return kNoFile;
  // "C:\discs\" and "C:\discs" name the same folder; a lone separator
  // stays, since it names the root. Only the platform's separators go: a
  // Linux folder may be called "Disc\".
  size_t end = path.size();
  while (end > 1 && IsFolderSeparator(path[end - 1])) --end;
  return end == path.size() ? PlatformFileSize(path) : PlatformFileSize(path.substr(0, end));
}

int64_t FileSizeIn(const Text& folder, TextView name) {
  // One text for every path asked for: a sweep asks for each image of
  // each sheet.
  static Text path;
  path.assign(folder).append(name);
  return FileSize(path);
}
