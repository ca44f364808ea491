#include <windows.h>

#include <string>

#include "files/file_copy.h"
#include "files/win32_disk_file.h"
#include "files/win32_path.h"

namespace {

// All of from, from its start, onto to; from's position is put back.
bool CopyContent(HANDLE from, HANDLE to) {
  LARGE_INTEGER was = {}, start = {};
  if (!SetFilePointerEx(from, start, &was, FILE_CURRENT) ||
      !SetFilePointerEx(from, start, nullptr, FILE_BEGIN)) {
    return false;
  }
  char block[64 * 1024];
  bool copied = true;
  while (copied) {
    DWORD got = 0, put = 0;
    if (!ReadFile(from, block, sizeof block, &got, nullptr)) copied = false;
    if (got == 0) break;
    copied = copied && WriteFile(to, block, got, &put, nullptr) && put == got;
  }
  SetFilePointerEx(from, was, nullptr, FILE_BEGIN);
  return copied;
}

// Only a plain empty file may give way to a copy: it holds nothing to keep.
bool IsEmptyPlainFile(const Text& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data) &&
         !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
         data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
}

// A name beside the destination that this process has not used, which
// never ends in ".cue", so that no sweep takes a stray one for a sheet.
Text CopyNameFor(const Text& destination) {
  static unsigned copies = 0;
  const std::string tag = "." + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(++copies) + ".part";
  return destination + Text(tag.begin(), tag.end());
}

// The copy is made under a name of its own and then moved into place.
bool CopyUnderTemporaryName(PlatformFile source, const Text& destination) {
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(reinterpret_cast<HANDLE>(source), &size) || size.QuadPart == 0) return false;
  // A device is never a destination, whatever the platform makes of the
  // copy's own, longer name.
  if (NamesDevice(destination)) return false;
  const Text copy = CopyNameFor(destination);
  // CREATE_NEW: made by this call alone, never an existing file or link.
  const HANDLE to = OpenDiskFile(copy, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
  if (to == INVALID_HANDLE_VALUE) return false;
  // Its bytes reach the disk before its name does: a backup is trusted for
  // good, and the sheet may be replaced right after it is made.
  bool copied = CopyContent(reinterpret_cast<HANDLE>(source), to) && FlushFileBuffers(to);
  copied = CloseHandle(to) && copied;
  const std::wstring wideCopy = WidePath(copy);
  const std::wstring wideDestination = WidePath(destination);
  if (copied && MoveFileExW(wideCopy.c_str(), wideDestination.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  const DWORD error = GetLastError();
  if (copied && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) &&
      IsEmptyPlainFile(destination) &&
      MoveFileExW(wideCopy.c_str(), wideDestination.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(wideCopy.c_str());
  return false;
}

}  // namespace

int32_t CopyOpenFileTo(PlatformFile source, const Text& destination) {
  return CopyUnderTemporaryName(source, destination) ? 1 : 0;
}
