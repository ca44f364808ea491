#include <windows.h>

#include "files/platform_file.h"
#include "files/win32_path.h"

namespace {

PlatformFile FromHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return kNoPlatformFile;
  return reinterpret_cast<PlatformFile>(handle);
}

HANDLE ToHandle(PlatformFile file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

PlatformFile OpenPlatformFileForReading(const Text& path) {
  return FromHandle(CreateFileW(WidePath(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

PlatformFile CreatePlatformFile(const Text& path) {
  PlatformFile file = FromHandle(CreateFileW(WidePath(path), GENERIC_READ | GENERIC_WRITE, 0,
                                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file != kNoPlatformFile) return file;
  // A file we may write but not read (or whose attributes refuse a
  // re-creation) can still be emptied in place.
  return FromHandle(
      CreateFileW(WidePath(path), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
}

int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count) {
  DWORD got = 0;
  if (!ReadFile(ToHandle(file), into, static_cast<DWORD>(count), &got, nullptr)) return 0;
  return static_cast<int32_t>(got);
}

void WritePlatformFile(PlatformFile file, const void* bytes, int32_t count) {
  DWORD put = 0;
  WriteFile(ToHandle(file), bytes, static_cast<DWORD>(count), &put, nullptr);
}

void MovePlatformFilePosition(PlatformFile file, int32_t distance) {
  SetFilePointer(ToHandle(file), distance, nullptr, FILE_CURRENT);
}

void ClosePlatformFile(PlatformFile file) { CloseHandle(ToHandle(file)); }
