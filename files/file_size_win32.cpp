#include <windows.h>

#include "files/file_size.h"
#include "files/win32_disk_file.h"
#include "files/win32_path.h"

namespace {

int64_t DriveRootSize(const Text& root) {
  return GetDriveTypeW(WidePath(root).c_str()) > DRIVE_NO_ROOT_DIR ? kFolder : kNoFile;
}

}  // namespace

int64_t PlatformFileSize(const Text& path) {
  // "C:" and "C:\" name a drive, which the entry lookup cannot find.
  if (path.size() <= 3 && path.size() >= 2 && path[1] == u':') {
    return DriveRootSize(path.size() == 2 ? path + u"\\" : path);
  }
  // FindFirstFileW would read these as wildcards and answer for some other
  // file; no Windows file name holds them.
  if (path.find_first_of(u"*?") != Text::npos) return kNoFile;
  // The search answers for a device name with an entry of its own ("NUL",
  // 0 bytes), which no caller could open.
  if (NamesDevice(path)) return kNoFile;

  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(WidePath(path).c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kFolder;
    return (static_cast<int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  }
  // The root of a share and paths through ".." are not found as entries.
  const bool shareOrParent = path.compare(0, 2, u"\\\\") == 0 || path.compare(0, 2, u"..") == 0;
  if (!shareOrParent) return kNoFile;
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kFolder : kNoFile;
  }
  return DriveRootSize(path);
}
