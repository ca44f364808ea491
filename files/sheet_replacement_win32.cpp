#include "files/sheet_replacement.h"

#include <windows.h>

#include "files/win32_disk_file.h"
#include "files/win32_path.h"

namespace {

HANDLE ToHandle(PlatformFile file) { return reinterpret_cast<HANDLE>(file); }

// The stamp and attributes of an open file; false for a link or folder.
bool StampOfHandle(HANDLE file, SheetStamp* stamp, DWORD* attributes = nullptr) {
  BY_HANDLE_FILE_INFORMATION information;
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandle(file, &information) ||
      !GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
    return false;
  }
  stamp->identity[0] = information.dwVolumeSerialNumber;
  stamp->identity[1] =
      (static_cast<int64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  stamp->size =
      (static_cast<int64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
  stamp->times[0] = basic.LastWriteTime.QuadPart;
  stamp->times[1] = basic.ChangeTime.QuadPart;
  if (attributes != nullptr) *attributes = information.dwFileAttributes;
  return (information.dwFileAttributes &
          (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// Opens an existing file without sharing (no other opener gets it while it
// is held), the link itself rather than what it points to: a sheet is never
// written, nor a backup read, through a symbolic link or junction.
// INVALID_HANDLE_VALUE with the open's error, or with ERROR_BAD_FILE_TYPE
// for a link or a folder.
HANDLE OpenExclusively(const Text& path, DWORD access, SheetStamp* stamp, DWORD* attributes) {
  const HANDLE handle = OpenDiskFile(path, access, 0, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE || StampOfHandle(handle, stamp, attributes)) return handle;
  CloseHandle(handle);
  SetLastError(ERROR_BAD_FILE_TYPE);
  return INVALID_HANDLE_VALUE;
}

bool IsEmptyPlainFile(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
         !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
         data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
}

// ReplaceFileW gives the new sheet the old one's attributes and security,
// and where a backup is wanted keeps the old sheet under the backup's name
// in the same call: its bytes are never copied, so a power cut finds them
// where they have long been.
SheetPut Replace(const std::wstring& from, const std::wstring& to, const Text* backupPath) {
  std::wstring backup;
  if (backupPath != nullptr) {
    backup = WidePath(*backupPath);
    // Only a plain empty file gives way to the backup.
    if (IsEmptyPlainFile(backup)) DeleteFileW(backup.c_str());
  }
  if (ReplaceFileW(to.c_str(), from.c_str(), backupPath ? backup.c_str() : nullptr,
                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return SheetPut::Replaced;
  }
  switch (GetLastError()) {
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
      // Without a backup the old sheet is gone by now and the new one kept
      // its own name; with one, both kept theirs.
      if (backupPath == nullptr) {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? SheetPut::Replaced
                                                                              : SheetPut::FileSystemFailed;
      }
      return SheetPut::FileSystemFailed;
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return SheetPut::LeftAlone;  // opened or made by someone else meanwhile
    default:
      return SheetPut::FileSystemFailed;
  }
}

// What a refused open says of the file.
Opening RefusalOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return Opening::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Opening::HeldElsewhere;
    case ERROR_ACCESS_DENIED:
      return Opening::NotPermitted;
    case ERROR_FILENAME_EXCED_RANGE:
      return Opening::NameTooLong;
    case ERROR_WRITE_PROTECT:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Opening::FileSystemRefused;
    default:
      return Opening::NotAFile;
  }
}

}  // namespace

Opening HoldSheet(const Text& path, PlatformFile* sheet, SheetStamp* stamp) {
  DWORD attributes = 0;
  const HANDLE handle = OpenExclusively(path, GENERIC_READ | GENERIC_WRITE, stamp, &attributes);
  if (handle == INVALID_HANDLE_VALUE) return RefusalOf(GetLastError());
  // Windows refuses to write a read-only file to anyone; wine, run by
  // root, may open it all the same.
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    CloseHandle(handle);
    return Opening::NotPermitted;
  }
  *sheet = reinterpret_cast<PlatformFile>(handle);
  return Opening::Opened;
}

// A file held without sharing cannot be renamed or deleted by anyone else:
// the name still leads to it.
bool IsStillTheSheet(const Text&, const SheetStamp&) { return true; }

Opening OpenBackup(const Text& path, const SheetStamp&, PlatformFile* backup, int64_t* size) {
  SheetStamp stamp;
  const HANDLE handle = OpenExclusively(path, GENERIC_READ, &stamp, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return RefusalOf(GetLastError());
  *backup = reinterpret_cast<PlatformFile>(handle);
  *size = stamp.size;
  return Opening::Opened;
}

Text NewSheetPathFor(const Text& sheetPath) { return sheetPath + u".brindlet-new"; }

Opening CreateNewSheetFile(const Text& sheetPath, PlatformFile* file) {
  const Text path = NewSheetPathFor(sheetPath);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const HANDLE handle = OpenDiskFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL);
    if (handle != INVALID_HANDLE_VALUE) {
      *file = reinterpret_cast<PlatformFile>(handle);
      return Opening::Opened;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return RefusalOf(error);
    // A folder there, or anything else this process may not remove, is
    // no leftover of its own.
    if (!DeleteFileW(WidePath(path).c_str())) return Opening::NotAFile;
  }
  return Opening::NotAFile;
}

void RemoveNewSheetFile(const Text& sheetPath, PlatformFile newFile) {
  CloseHandle(ToHandle(newFile));
  DeleteFileW(WidePath(NewSheetPathFor(sheetPath)).c_str());
}

SheetPut PutNewSheetFileInPlace(const Text& sheetPath, PlatformFile newFile, PlatformFile sheet,
                                const SheetStamp& stamp, bool keepBackup, const Text& backupPath) {
  const std::wstring from = WidePath(NewSheetPathFor(sheetPath));
  const std::wstring to = WidePath(sheetPath);
  // NTFS journals names, not data: the new sheet's bytes reach the disk
  // before it takes the sheet's name.
  const bool flushed = FlushFileBuffers(ToHandle(newFile));
  CloseHandle(ToHandle(newFile));  // the calls below open it themselves, unshared
  SheetPut outcome = SheetPut::FileSystemFailed;
  if (flushed && sheet == kNoPlatformFile) {
    outcome = MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)
                  ? SheetPut::Replaced
                  : GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS
                        ? SheetPut::LeftAlone
                        : SheetPut::FileSystemFailed;
  } else if (flushed) {
    SheetStamp now;
    const bool unchanged = StampOfHandle(ToHandle(sheet), &now) && SameStamp(now, stamp);
    // Held until this moment; the replacement needs it closed.
    CloseHandle(ToHandle(sheet));
    sheet = kNoPlatformFile;
    outcome = unchanged ? Replace(from, to, keepBackup ? &backupPath : nullptr)
                        : SheetPut::LeftAlone;
  }
  if (sheet != kNoPlatformFile) CloseHandle(ToHandle(sheet));
  if (outcome != SheetPut::Replaced) DeleteFileW(from.c_str());
  return outcome;
}
