#include "files/file_size.h"

int64_t FileSize(const Text& path) {
  if (path.empty()) return kNoFile;
  // "C:\discs\" and "C:\discs" name the same folder; a lone "/" or "\"
  // stays, since it names the root.
  size_t end = path.size();
  while (end > 1 && (path[end - 1] == u'\\' || path[end - 1] == u'/')) --end;
  return PlatformFileSize(path.substr(0, end));
}
