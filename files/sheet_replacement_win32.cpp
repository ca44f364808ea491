#include "files/sheet_replacement.h"

#include <windows.h>

#include <aclapi.h>

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

// Whether the file at path is the one stamped (its volume and number).
// Opening a file for its attributes alone is refused to no one.
bool IsStampedFile(const Text& path, const SheetStamp& stamp) {
  SheetStamp there;
  const HANDLE look = OpenDiskFile(path, FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (look == INVALID_HANDLE_VALUE) return false;
  const bool same = StampOfHandle(look, &there) && there.identity[0] == stamp.identity[0] &&
                    there.identity[1] == stamp.identity[1];
  CloseHandle(look);
  return same;
}

// The sheet this process holds: a run holds one at a time. Windows opens a
// file held without sharing for no one, this process included, so a backup
// that is a second name of the held sheet is read through this handle.
HANDLE gHeldSheet = INVALID_HANDLE_VALUE;

// A second handle on the held sheet, for reading, if the file at path is
// that sheet (stamped so): the state a run stopped between keeping the
// backup and putting the new sheet in place leaves.
HANDLE HeldSheetUnder(const Text& path, const SheetStamp& sheet) {
  SheetStamp held;
  const bool same = gHeldSheet != INVALID_HANDLE_VALUE && StampOfHandle(gHeldSheet, &held) &&
                    SameStamp(held, sheet) && IsStampedFile(path, sheet);
  HANDLE copy = INVALID_HANDLE_VALUE;
  // The two handles share a position; every read of the sheet's own
  // handle is at an offset, and puts it back.
  if (same && !DuplicateHandle(GetCurrentProcess(), gHeldSheet, GetCurrentProcess(), &copy,
                               GENERIC_READ, FALSE, 0)) {
    copy = INVALID_HANDLE_VALUE;
  }
  return copy;
}

// The attributes Windows lets a new file take from the one it replaces;
// Read-only never reaches here (such a sheet is not held).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Gives a new file the old sheet's attributes, creation time and access
// list, as ReplaceFileW would: a file made in the folder has the folder's
// inherited access list, and the old sheet may have had entries of its
// own. Like ReplaceFileW with REPLACEFILE_IGNORE_MERGE_ERRORS, a file
// system that keeps no access lists (FAT, exFAT) does not stop the
// replacement.
void GiveAttributesAndSecurityOf(HANDLE sheet, DWORD attributes, HANDLE newFile) {
  FILE_BASIC_INFO old, basic = {};  // times of 0 stay as they are
  if (GetFileInformationByHandleEx(sheet, FileBasicInfo, &old, sizeof old)) {
    basic.CreationTime = old.CreationTime;
  }
  basic.FileAttributes = attributes & kKeptAttributes;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(newFile, FileBasicInfo, &basic, sizeof basic);
  PACL access = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(sheet, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  // An access list that inherits nothing from the folder keeps it that way;
  // one that does takes the folder's entries afresh, its own kept.
  const bool inherits = GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                        (control & SE_DACL_PROTECTED) == 0;
  SetSecurityInfo(newFile, SE_FILE_OBJECT,
                  DACL_SECURITY_INFORMATION | (inherits ? UNPROTECTED_DACL_SECURITY_INFORMATION
                                                        : PROTECTED_DACL_SECURITY_INFORMATION),
                  nullptr, nullptr, access, nullptr);
  LocalFree(descriptor);
}

// What a refused rename or write comes to: refusals that every later sheet
// would meet too (no room, a disk that takes no writes or fails) end the
// run; any other is about the one sheet (its name, a folder in the way),
// which is passed over while the run goes on.
SheetPut PutRefused(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_DEV_NOT_EXIST:
      return SheetPut::FileSystemFailed;
    default:
      return SheetPut::Refused;
  }
}

// The backup as a copy of the held sheet, for disks without hard links:
// written under a name of its own, flushed, and only then given the
// backup's name, which it never takes from another file. A run stopped
// before that leaves the sheet as it was and a leftover that the next
// copy removes.
SheetPut CopyToBackup(HANDLE sheet, int64_t size, DWORD attributes, const Text& backupPath) {
  const Text copyPath = backupPath + u".brindlet-new";
  const std::wstring copy = WidePath(copyPath);
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 2 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = OpenDiskFile(copyPath, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) DeleteFileW(copy.c_str());
  }
  if (file == INVALID_HANDLE_VALUE) return SheetPut::FileSystemFailed;
  static char block[64 * 1024];
  const PlatformFile from = reinterpret_cast<PlatformFile>(sheet);
  bool copied = true;
  int64_t at = 0;
  // A read that fails ends the copy short of the size: no backup then.
  for (int32_t got = 1; copied && got > 0 && at < size; at += got) {
    got = ReadPlatformFileAt(from, at, block, sizeof block);
    DWORD put = 0;
    copied = WriteFile(file, block, static_cast<DWORD>(got), &put, nullptr) &&
             put == static_cast<DWORD>(got);
  }
  copied = copied && at == size;
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
  SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
  copied = copied && FlushFileBuffers(file);
  CloseHandle(file);
  if (copied && MoveFileExW(copy.c_str(), WidePath(backupPath).c_str(), MOVEFILE_WRITE_THROUGH)) {
    return SheetPut::Replaced;
  }
  const DWORD error = GetLastError();
  DeleteFileW(copy.c_str());
  if (!copied) return SheetPut::FileSystemFailed;
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? SheetPut::LeftAlone
                                                                     : PutRefused(error);
}

// Keeps the held sheet under the backup's name before the new sheet takes
// its place: on NTFS the backup is a second name of the sheet's own file
// (CreateHardLinkW, which a file held without sharing allows), so nothing
// is written and a power cut finds the original's bytes where they have
// long been. Its name leads to the held file: a file held without sharing
// cannot be renamed by anyone. Only a plain empty file gives way to the
// backup. Replaced once the backup is kept; LeftAlone or FileSystemFailed
// end the put.
SheetPut KeepBackup(HANDLE sheet, const SheetStamp& stamp, DWORD attributes,
                    const std::wstring& sheetPath, const Text& backupPath) {
  const std::wstring backup = WidePath(backupPath);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (CreateHardLinkW(backup.c_str(), sheetPath.c_str(), nullptr)) return SheetPut::Replaced;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    if (!IsEmptyPlainFile(backup) || !DeleteFileW(backup.c_str())) return SheetPut::LeftAlone;
  }
  // No hard links here (FAT, exFAT, many shares), or none more for this file.
  return CopyToBackup(sheet, stamp.size, attributes, backupPath);
}

// The one step that changes the sheet: a rename over it. A run stopped at
// any moment leaves the sheet's name on the old file or on the new one.
SheetPut RenameOver(const std::wstring& from, const std::wstring& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return SheetPut::Replaced;
  }
  const DWORD error = GetLastError();
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
      return SheetPut::LeftAlone;  // opened by someone else since it was let go
    default:
      return PutRefused(error);
  }
}

// Readies the new sheet to go over the held one, which it checks is as
// stamped: the new file takes the sheet's attributes and access list, the
// backup is kept where wanted, and the new bytes are flushed (NTFS
// journals names, not data). Replaced when the rename may follow.
SheetPut ReadyReplacement(HANDLE newFile, HANDLE sheet, const SheetStamp& stamp, bool keepBackup,
                          const Text& backupPath, const std::wstring& sheetPath) {
  SheetStamp now;
  DWORD attributes = 0;
  if (!StampOfHandle(sheet, &now, &attributes) || !SameStamp(now, stamp)) {
    return SheetPut::LeftAlone;
  }
  GiveAttributesAndSecurityOf(sheet, attributes, newFile);
  if (!FlushFileBuffers(newFile)) return SheetPut::FileSystemFailed;
  return keepBackup ? KeepBackup(sheet, now, attributes, sheetPath, backupPath)
                    : SheetPut::Replaced;
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
  gHeldSheet = handle;
  return Opening::Opened;
}

// A file held without sharing cannot be renamed or deleted by anyone else:
// the name still leads to it.
bool IsStillTheSheet(const Text&, const SheetStamp&) { return true; }

Opening OpenBackup(const Text& path, const SheetStamp& sheet, PlatformFile* backup,
                   int64_t* size) {
  SheetStamp stamp;
  HANDLE handle = OpenExclusively(path, GENERIC_READ, &stamp, nullptr);
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
    handle = HeldSheetUnder(path, sheet);
    if (handle != INVALID_HANDLE_VALUE) stamp = sheet;
    else SetLastError(ERROR_SHARING_VIOLATION);
  }
  if (handle == INVALID_HANDLE_VALUE) return RefusalOf(GetLastError());
  *backup = reinterpret_cast<PlatformFile>(handle);
  *size = stamp.size;
  return Opening::Opened;
}

Text NewSheetPathFor(const Text& sheetPath) { return sheetPath + u".brindlet-new"; }

// A held sheet cannot be replaced by anyone else (IsStillTheSheet).
Opening CreateNewSheetFile(const Text& sheetPath, const SheetStamp*, PlatformFile* file) {
  const Text path = NewSheetPathFor(sheetPath);
  for (int attempt = 0; attempt < 2; ++attempt) {
    // Read back where need be, and allowed to take the old sheet's access list.
    const HANDLE handle = OpenDiskFile(path, GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
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
  SheetPut outcome;
  if (sheet == kNoPlatformFile) {
    // The sheet is missing: the new one takes its name only while nothing
    // else does.
    const bool flushed = FlushFileBuffers(ToHandle(newFile));
    CloseHandle(ToHandle(newFile));
    const DWORD error = flushed && MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)
                            ? ERROR_SUCCESS
                            : GetLastError();
    outcome = !flushed                  ? SheetPut::FileSystemFailed
              : error == ERROR_SUCCESS ? SheetPut::Replaced
              : error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? SheetPut::LeftAlone
                                                                            : PutRefused(error);
  } else {
    if (ToHandle(sheet) == gHeldSheet) gHeldSheet = INVALID_HANDLE_VALUE;
    outcome = ReadyReplacement(ToHandle(newFile), ToHandle(sheet), stamp, keepBackup, backupPath,
                               to);
    // The rename needs both closed: neither is shared with deleters.
    CloseHandle(ToHandle(newFile));
    CloseHandle(ToHandle(sheet));
    if (outcome == SheetPut::Replaced) {
      outcome = RenameOver(from, to);
      // The sheet stays: a backup that is a second name of it, kept a
      // moment ago, goes again.
      if (outcome != SheetPut::Replaced && keepBackup && IsStampedFile(backupPath, stamp)) {
        DeleteFileW(WidePath(backupPath).c_str());
      }
    }
  }
  if (outcome != SheetPut::Replaced) DeleteFileW(from.c_str());
  return outcome;
}
