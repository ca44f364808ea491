#include "files/win32_disk_file.h"

#include <cwchar>
#include <string>

#include "files/win32_path.h"

namespace {

// GetFullPathNameW answers a device name with its device path ("\\.\NUL"),
// by the same rules CreateFileW goes by; a path long enough to have been
// given the "\\?\" prefix is answered as it stands.
bool IsDevicePath(const std::wstring& widePath) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(widePath.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  const bool devicePrefix = std::wcsncmp(full, L"\\\\.\\", 4) == 0 ||
                            std::wcsncmp(full, L"\\\\?\\", 4) == 0;
  // "\\.\C:\discs\x.cue" is still a path to a file.
  return devicePrefix && std::wcspbrk(full + 4, L"\\/") == nullptr;
}

}  // namespace

bool NamesDevice(const Text& path) { return IsDevicePath(WidePath(path)); }

HANDLE OpenDiskFile(const Text& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  const std::wstring widePath = WidePath(path);
  if (IsDevicePath(widePath)) {
    SetLastError(ERROR_BAD_FILE_TYPE);
    return INVALID_HANDLE_VALUE;
  }
  const HANDLE handle =
      CreateFileW(widePath.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_DISK) return handle;
  CloseHandle(handle);
  SetLastError(ERROR_BAD_FILE_TYPE);
  return INVALID_HANDLE_VALUE;
}
