#include <windows.h>

#include "files/platform_file.h"
#include "files/win32_disk_file.h"

namespace {

PlatformFile FromHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return kNoPlatformFile;
  return reinterpret_cast<PlatformFile>(handle);
}

HANDLE ToHandle(PlatformFile file) { return reinterpret_cast<HANDLE>(file); }

// Opens the link itself, not what it points to, and refuses it: a sheet
// must never be written through a symbolic link or junction.
PlatformFile OpenNotThroughLinks(const Text& path, DWORD access, DWORD disposition) {
  const HANDLE handle = OpenDiskFile(path, access, 0, disposition,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? kPlatformFileHeld : kNoPlatformFile;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    CloseHandle(handle);
    return kNoPlatformFile;
  }
  return FromHandle(handle);
}

}  // namespace

PlatformFile OpenPlatformFileForReading(const Text& path) {
  return FromHandle(OpenDiskFile(path, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
}

PlatformFile OpenPlatformFileForCopying(const Text& path) {
  return FromHandle(
      OpenDiskFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
}

PlatformFile OpenPlatformFileForPeeking(const Text& path) {
  // Shared every way: an image an emulator or mounter holds is still read.
  const DWORD shareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return FromHandle(
      OpenDiskFile(path, GENERIC_READ, shareEverything, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
}

PlatformFile OpenPlatformFileForRewriting(const Text& path, bool createMissing) {
  const DWORD disposition = createMissing ? OPEN_ALWAYS : OPEN_EXISTING;
  const PlatformFile file = OpenNotThroughLinks(path, GENERIC_READ | GENERIC_WRITE, disposition);
  if (file != kNoPlatformFile || GetLastError() != ERROR_ACCESS_DENIED) return file;
  // A file this user may write but not read can still be rewritten.
  return OpenNotThroughLinks(path, GENERIC_WRITE, OPEN_EXISTING);
}

int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count) {
  DWORD got = 0;
  if (!ReadFile(ToHandle(file), into, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return static_cast<int32_t>(got);
}

int32_t WritePlatformFile(PlatformFile file, const void* bytes, int32_t count) {
  DWORD put = 0;
  WriteFile(ToHandle(file), bytes, static_cast<DWORD>(count), &put, nullptr);
  return static_cast<int32_t>(put);
}

void MovePlatformFilePosition(PlatformFile file, int32_t distance) {
  SetFilePointer(ToHandle(file), distance, nullptr, FILE_CURRENT);
}

void CutPlatformFileAt(PlatformFile file, int64_t length) {
  LARGE_INTEGER at = {};
  at.QuadPart = length;
  if (SetFilePointerEx(ToHandle(file), at, nullptr, FILE_BEGIN)) SetEndOfFile(ToHandle(file));
}

void ClosePlatformFile(PlatformFile file) { CloseHandle(ToHandle(file)); }
