#include <windows.h>

#include "files/path_kind.h"
#include "files/win32_disk_file.h"
#include "files/win32_path.h"

PathKind KindOfPath(const Text& path) {
  if (NamesDevice(path)) return PathKind::Other;
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return GetLastError() == ERROR_FILENAME_EXCED_RANGE ? PathKind::NameTooLong
                                                        : PathKind::Missing;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::Link;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}
