#include <windows.h>

#include "files/current_folder.h"
#include "text/path_separator.h"

Text CurrentFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return Text();
  Text folder(size, u'\0');
  const DWORD length = GetCurrentDirectoryW(size, reinterpret_cast<wchar_t*>(&folder[0]));
  folder.resize(length);
  return WithFolderSeparator(folder);
}

bool IsAbsolutePath(const Text& path) {
  // "C:\x", "C:/x", "\\server\share\x"; "\x" on the current drive counts too.
  if (path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/')) return true;
  return !path.empty() && (path[0] == u'\\' || path[0] == u'/');
}
