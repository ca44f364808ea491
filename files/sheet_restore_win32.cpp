#include "files/sheet_restore.h"

#include <windows.h>

#include "files/win32_path.h"

// Windows keeps the backup with ReplaceFileW in the same call that puts
// the new sheet in place: a backup is never a second name of the sheet.
bool IsFileAt(const Text&, const SheetStamp&) { return false; }

// The held sheet is opened without sharing, so it cannot be replaced
// while held: it is let go of just before the move. MOVEFILE_WRITE_THROUGH
// returns only once the move is on disk.
SheetPut RenameBackupOverSheet(const Text& sheetPath, const Text& backupPath,
                                 PlatformFile sheet, const SheetStamp&) {
  const std::wstring from = WidePath(backupPath);
  const std::wstring to = WidePath(sheetPath);
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if (sheet != kNoPlatformFile) {
    CloseHandle(reinterpret_cast<HANDLE>(sheet));
    flags |= MOVEFILE_REPLACE_EXISTING;
  }
  const DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    return SheetPut::LeftAlone;
  }
  if (MoveFileExW(from.c_str(), to.c_str(), flags)) return SheetPut::Replaced;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return SheetPut::LeftAlone;  // opened or made by someone else meanwhile
    default:
      return SheetPut::FileSystemFailed;
  }
}
