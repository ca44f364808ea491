#include "files/sheet_replacement.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "files/file_copy_posix.h"
#include "files/held_folders_posix.h"
#include "files/platform_file_posix.h"

namespace {

SheetStamp StampOf(const struct stat& info) {
  SheetStamp stamp;
  stamp.identity[0] = static_cast<int64_t>(info.st_dev);
  stamp.identity[1] = static_cast<int64_t>(info.st_ino);
  stamp.size = info.st_size;
  stamp.times[0] = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
  stamp.times[1] = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
  return stamp;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool LookWithoutFollowing(const PosixName& name, struct stat* info) {
  return fstatat(name.folder, name.name.c_str(), info, AT_SYMLINK_NOFOLLOW) == 0;
}

// ext4 in its default data=ordered mode, with auto_da_alloc on as it is by
// default (the kernel's Documentation/admin-guide/ext4.rst), and btrfs
// (since Linux 2.6.30, commit 5a3f23d515a2) write a file's data before
// they commit a rename that replaces another file with it. Elsewhere (XFS
// among them) the data is flushed first, or a power cut could leave the
// sheet's name on a file whose bytes never reached the disk.
// A network file system reports a failed write here, or only when the
// file is closed: false then. The answer for a device is asked once.
bool FlushUnlessRenameOrdersData(int file, dev_t device) {
  static dev_t lastDevice = 0;
  static bool lastOrders = false;
  if (device != lastDevice) {
    struct statfs system;
    lastOrders = fstatfs(file, &system) == 0 &&
                 (system.f_type == EXT4_SUPER_MAGIC || system.f_type == BTRFS_SUPER_MAGIC);
    lastDevice = device;
  }
  return lastOrders || fdatasync(file) == 0;
}

// The permissions a new file is given here, under this process's umask.
mode_t CreationMode() {
  static const mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

// The new sheet takes the old one's group and owner where this process
// may give them (a group it belongs to; any owner as root), else it keeps
// the ones it was made with. A sheet of this process's own owner and group
// needs nothing: so is the new file, unless the folder has the
// set-group-ID bit, whose group the old sheet then has too.
void GiveOwnerAndGroupOf(const struct stat& sheet, int newFile) {
  static const uid_t owner = geteuid();
  static const gid_t group = getegid();
  if (sheet.st_gid != group) static_cast<void>(fchown(newFile, -1, sheet.st_gid) == 0);
  if (sheet.st_uid != owner) static_cast<void>(fchown(newFile, sheet.st_uid, -1) == 0);
}

bool IsHeld(const struct stat& info, const SheetStamp& held) {
  return held.identity[1] != 0 && static_cast<int64_t>(info.st_dev) == held.identity[0] &&
         static_cast<int64_t>(info.st_ino) == held.identity[1];
}

// Opens a regular file with access (O_RDWR or O_RDONLY), never through a
// link, and takes its lock, unless it is the file stamped as held already:
// a second lock on it would clash with this process's own.
Opening OpenExclusively(const Text& path, int access, PlatformFile* file, struct stat* info,
                        const SheetStamp& held = SheetStamp()) {
  int fd;
  const Opening opening = OpenRegularFile(path, access | O_NOFOLLOW, 0, &fd, info);
  if (opening != Opening::Opened) return opening;
  if (!IsHeld(*info, held) && HeldElsewhere(fd, LOCK_EX)) {
    close(fd);
    return Opening::HeldElsewhere;
  }
  *file = fd;
  return opening;
}

// The backup is the sheet's own file under a second name: nothing is
// written, and a power cut finds the original's bytes where they have long
// been, whatever the cache held. Only a plain empty file gives way to it.
// Where hard links do not exist (FAT, exFAT, many shares) it is a copy,
// flushed to disk before the sheet is replaced. Replaced once the backup
// is kept, and the sheet may be; LeftAlone or FileSystemFailed end the put.
SheetPut KeepBackup(PlatformFile sheet, const struct stat& held, const PosixName& sheetName,
                         const Text& backupPath) {
  const PosixName backup = PosixNameOf(backupPath);
  // The held file itself, through its /proc name; without /proc, the
  // sheet's name, and a link that found another file there (swapped a
  // moment ago) is taken back.
  const std::string self = "/proc/self/fd/" + std::to_string(sheet);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (linkat(AT_FDCWD, self.c_str(), backup.folder, backup.name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return SheetPut::Replaced;
    }
    if (errno == ENOENT &&
        linkat(sheetName.folder, sheetName.name.c_str(), backup.folder, backup.name.c_str(), 0) ==
            0) {
      struct stat linked;
      if (LookWithoutFollowing(backup, &linked) && SameFile(linked, held)) {
        return SheetPut::Replaced;
      }
      unlinkat(backup.folder, backup.name.c_str(), 0);
      return SheetPut::LeftAlone;
    }
    if (errno != EEXIST) break;
    struct stat existing;
    if (!LookWithoutFollowing(backup, &existing) || !S_ISREG(existing.st_mode) ||
        existing.st_size != 0) {
      return SheetPut::LeftAlone;
    }
    unlinkat(backup.folder, backup.name.c_str(), 0);
  }
  return CopyOpenFileTo(sheet, backupPath) != 0 ? SheetPut::Replaced : SheetPut::FileSystemFailed;
}

// The sheet is missing: the new one takes its name only while nothing
// else does.
SheetPut PutWithoutReplacing(const PosixName& from, const PosixName& to) {
  const char* fromName = from.name.c_str();
  const char* toName = to.name.c_str();
  if (renameat2(from.folder, fromName, to.folder, toName, RENAME_NOREPLACE) == 0) {
    return SheetPut::Replaced;
  }
  if (errno == EEXIST) return SheetPut::LeftAlone;
  if (errno != EINVAL && errno != ENOSYS) return SheetPut::FileSystemFailed;
  // No RENAME_NOREPLACE here: a link refuses to replace as well.
  if (linkat(from.folder, fromName, to.folder, toName, 0) == 0) {
    unlinkat(from.folder, fromName, 0);
    return SheetPut::Replaced;
  }
  if (errno == EEXIST) return SheetPut::LeftAlone;
  struct stat info;
  if (LookWithoutFollowing(to, &info) || errno != ENOENT) return SheetPut::LeftAlone;
  return renameat(from.folder, fromName, to.folder, toName) == 0 ? SheetPut::Replaced
                                                                  : SheetPut::FileSystemFailed;
}

SheetPut ReplaceHeldSheet(int newFile, PlatformFile sheet, const SheetStamp& stamp,
                            bool keepBackup, const Text& backupPath, const PosixName& from,
                            const PosixName& to) {
  struct stat now;
  if (!LookWithoutFollowing(to, &now) || !SameStamp(StampOf(now), stamp)) {
    return SheetPut::LeftAlone;
  }
  GiveOwnerAndGroupOf(now, newFile);
  // After the owner: a change of owner clears the set-user-ID bits.
  if ((now.st_mode & 07777) != CreationMode()) fchmod(newFile, now.st_mode & 07777);
  if (keepBackup) {
    const SheetPut backup = KeepBackup(sheet, now, to, backupPath);
    if (backup != SheetPut::Replaced) return backup;
  }
  if (!FlushUnlessRenameOrdersData(newFile, now.st_dev)) return SheetPut::FileSystemFailed;
  return renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str()) == 0
             ? SheetPut::Replaced
             : SheetPut::FileSystemFailed;
}

}  // namespace

Opening HoldSheet(const Text& path, PlatformFile* sheet, SheetStamp* stamp) {
  struct stat info;
  const Opening opening = OpenExclusively(path, O_RDWR, sheet, &info);
  if (opening == Opening::Opened) *stamp = StampOf(info);
  return opening;
}

bool IsStillTheSheet(const Text& path, const SheetStamp& stamp) {
  struct stat now;
  return LookWithoutFollowing(PosixNameOf(path), &now) && SameStamp(StampOf(now), stamp);
}

Opening OpenBackup(const Text& path, const SheetStamp& sheet, PlatformFile* backup,
                   int64_t* size) {
  struct stat info;
  const Opening opening = OpenExclusively(path, O_RDONLY, backup, &info, sheet);
  if (opening == Opening::Opened) *size = info.st_size;
  return opening;
}

PlatformFile CreateNewSheetFile(const Text& sheetPath) {
  const PosixName name = PosixNameOf(NewSheetPathFor(sheetPath));
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = openat(name.folder, name.name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
    unlinkat(name.folder, name.name.c_str(), 0);
  }
  return kNoPlatformFile;
}

void RemoveNewSheetFile(const Text& sheetPath, PlatformFile newFile) {
  close(static_cast<int>(newFile));
  const PosixName name = PosixNameOf(NewSheetPathFor(sheetPath));
  unlinkat(name.folder, name.name.c_str(), 0);
}

SheetPut PutNewSheetFileInPlace(const Text& sheetPath, PlatformFile newFile, PlatformFile sheet,
                                const SheetStamp& stamp, bool keepBackup, const Text& backupPath) {
  const PosixName from = PosixNameOf(NewSheetPathFor(sheetPath));
  const PosixName to = PosixNameOf(sheetPath);
  const int fd = static_cast<int>(newFile);
  const SheetPut outcome =
      sheet == kNoPlatformFile
          ? PutWithoutReplacing(from, to)
          : ReplaceHeldSheet(fd, sheet, stamp, keepBackup, backupPath, from, to);
  close(fd);
  if (outcome != SheetPut::Replaced) unlinkat(from.folder, from.name.c_str(), 0);
  if (sheet != kNoPlatformFile) close(static_cast<int>(sheet));
  return outcome;
}
