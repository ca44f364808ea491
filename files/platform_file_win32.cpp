#include <windows.h>

#include "files/platform_file.h"
#include "files/win32_disk_file.h"

namespace {

PlatformFile FromHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return kNoPlatformFile;
  return reinterpret_cast<PlatformFile>(handle);
}

HANDLE ToHandle(PlatformFile file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

PlatformFile OpenPlatformFileForPeeking(const Text& path) {
  // Shared every way: an image an emulator or mounter holds is still read.
  const DWORD shareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return FromHandle(
      OpenDiskFile(path, GENERIC_READ, shareEverything, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
}

int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count) {
  DWORD got = 0;
  if (!ReadFile(ToHandle(file), into, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return static_cast<int32_t>(got);
}

// A read at an offset moves a synchronous handle's position, so the
// position is put back: the same file may be read line by line meanwhile.
int32_t ReadPlatformFileAt(PlatformFile file, int64_t offset, void* into, int32_t count) {
  LARGE_INTEGER was = {}, at = {};
  at.QuadPart = offset;
  if (!SetFilePointerEx(ToHandle(file), LARGE_INTEGER{}, &was, FILE_CURRENT) ||
      !SetFilePointerEx(ToHandle(file), at, nullptr, FILE_BEGIN)) {
    return 0;
  }
  int32_t total = 0;
  while (total < count) {
    const int32_t got = ReadPlatformFile(file, static_cast<char*>(into) + total, count - total);
    if (got <= 0) break;
    total += got;
  }
  SetFilePointerEx(ToHandle(file), was, nullptr, FILE_BEGIN);
  return total;
}

int32_t WritePlatformFile(PlatformFile file, const void* bytes, int32_t count) {
  DWORD put = 0;
  WriteFile(ToHandle(file), bytes, static_cast<DWORD>(count), &put, nullptr);
  return static_cast<int32_t>(put);
}

void ClosePlatformFile(PlatformFile file) { CloseHandle(ToHandle(file)); }
