#include "files/sheet_restore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/held_folders_posix.h"

namespace {

bool LookWithoutFollowing(const PosixName& name, struct stat* info) {
  return fstatat(name.folder, name.name.c_str(), info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool IsStamped(const struct stat& info, const SheetStamp& stamp) {
  return static_cast<int64_t>(info.st_dev) == stamp.identity[0] &&
         static_cast<int64_t>(info.st_ino) == stamp.identity[1];
}

bool IsAsStamped(const struct stat& info, const SheetStamp& stamp) {
  return IsStamped(info, stamp) && info.st_size == stamp.size &&
         info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec == stamp.times[0] &&
         info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec == stamp.times[1];
}

SheetPut OutcomeOfErrno() {
  return errno == ENOENT || errno == EEXIST || errno == ENOTEMPTY || errno == EISDIR
             ? SheetPut::LeftAlone
             : SheetPut::FileSystemFailed;
}

// The sheet is missing: the backup takes its name only while nothing
// else does.
SheetPut RenameWithoutReplacing(const PosixName& from, const PosixName& to) {
  if (renameat2(from.folder, from.name.c_str(), to.folder, to.name.c_str(), RENAME_NOREPLACE) ==
      0) {
    return SheetPut::Replaced;
  }
  if (errno != EINVAL && errno != ENOSYS) return OutcomeOfErrno();
  // No RENAME_NOREPLACE here: a link refuses to replace as well.
  if (linkat(from.folder, from.name.c_str(), to.folder, to.name.c_str(), 0) != 0) {
    return OutcomeOfErrno();
  }
  return unlinkat(from.folder, from.name.c_str(), 0) == 0 ? SheetPut::Replaced : SheetPut::FileSystemFailed;
}

SheetPut Rename(const PosixName& from, const PosixName& to, bool sheetHeld,
                  const SheetStamp& stamp) {
  struct stat backup;
  if (!LookWithoutFollowing(from, &backup) || !S_ISREG(backup.st_mode)) {
    return SheetPut::LeftAlone;
  }
  if (!sheetHeld) return RenameWithoutReplacing(from, to);
  struct stat sheet;
  if (!LookWithoutFollowing(to, &sheet) || !IsAsStamped(sheet, stamp)) {
    return SheetPut::LeftAlone;
  }
  // Renaming a file over another name of itself changes nothing at all:
  // the second name is taken away instead.
  const int done = IsStamped(backup, stamp)
                       ? unlinkat(from.folder, from.name.c_str(), 0)
                       : renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str());
  return done == 0 ? SheetPut::Replaced : OutcomeOfErrno();
}

}  // namespace

bool IsFileAt(const Text& path, const SheetStamp& stamp) {
  struct stat info;
  return LookWithoutFollowing(PosixNameOf(path), &info) && IsStamped(info, stamp);
}

// The backup is the original's own file wherever a hard link could be
// made: renamed over the sheet, it is the very inode the sheet had before
// its first repair, data, owner and all, and nothing is copied. A rename
// is one step, so a run killed at any moment leaves the repaired sheet or
// the original under the sheet's name.
SheetPut RenameBackupOverSheet(const Text& sheetPath, const Text& backupPath,
                                 PlatformFile sheet, const SheetStamp& stamp) {
  const SheetPut outcome =
      Rename(PosixNameOf(backupPath), PosixNameOf(sheetPath), sheet != kNoPlatformFile, stamp);
  if (sheet != kNoPlatformFile) close(static_cast<int>(sheet));
  return outcome;
}
