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
#include "files/sheet_metadata_posix.h"
#include "text/posix_path.h"

namespace {

constexpr char kNewSheetSuffix[] = ".brindlet-new";

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

// Refusals that every later sheet would meet too: no room, a quota, a
// file system that takes no writes, a disk that fails. Any other refusal
// is about the one sheet (its name, a folder in the way, a folder that
// forbids it), which is passed over while the run goes on.
bool RefusalEndsRun(int error) {
  return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO;
}

// The folder a name lies in, as a name in the same folder descriptor.
std::string FolderNameOf(const PosixName& name) {
  const size_t slash = name.name.rfind('/');
  return slash == std::string::npos ? "." : name.name.substr(0, slash + 1);
}

// Takes back a backup kept a moment ago for a sheet that was then not
// replaced: the sheet's own file under its second name, or a copy of it.
void TakeBackBackup(const Text& backupPath, const struct stat& sheet) {
  const PosixName backup = PosixNameOf(backupPath);
  struct stat info;
  if (LookWithoutFollowing(backup, &info) && S_ISREG(info.st_mode) &&
      (SameFile(info, sheet) || info.st_size == sheet.st_size)) {
    unlinkat(backup.folder, backup.name.c_str(), 0);
  }
}

// Writes newFile's bytes over the sheet's own from its start, cuts the
// sheet there and flushes it: the sheet keeps its file, and with it all
// that the file carries. A write clears a file capability, which is set
// again. 0, or the error that stopped it.
int WriteOverSheet(int newFile, int sheet) {
  const Attributes attributes = AttributesOf(sheet);
  char block[64 * 1024];
  off_t at = 0;
  while (true) {
    const ssize_t got = pread(newFile, block, sizeof block, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) break;
    for (ssize_t put = 0; put < got;) {
      const ssize_t wrote = pwrite(sheet, block + put, static_cast<size_t>(got - put), at + put);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return wrote < 0 ? errno : EIO;
      put += wrote;
    }
    at += got;
  }
  if (ftruncate(sheet, at) != 0 || fdatasync(sheet) != 0) return errno;
  SetAttributes(sheet, attributes);
  return 0;
}

// Gives the held file a second name: by its descriptor, which Linux 6.10
// and later allow for a file the process opened itself (linkat(2) names
// only the older rule: CAP_DAC_READ_SEARCH, or ENOENT), or else through
// its /proc name, a longer lookup. 0, or the error that stopped it;
// ENOENT also where there is no /proc, or the file has lost its last name.
int LinkHeldFile(int sheet, const PosixName& to) {
  static bool byDescriptor = true;
  if (byDescriptor) {
    if (linkat(sheet, "", to.folder, to.name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT) return errno;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(sheet);
  if (linkat(AT_FDCWD, self.c_str(), to.folder, to.name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
    return errno;
  }
  // The file could be linked after all: the descriptor's way is closed to
  // this process, and is not tried again.
  byDescriptor = false;
  return 0;
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
  for (int attempt = 0; attempt < 2; ++attempt) {
    int error = LinkHeldFile(static_cast<int>(sheet), backup);
    if (error == 0) return SheetPut::Replaced;
    // Without /proc, the sheet's name, and a link that found another file
    // there (swapped a moment ago) is taken back.
    if (error == ENOENT) {
      if (linkat(sheetName.folder, sheetName.name.c_str(), backup.folder, backup.name.c_str(),
                 0) == 0) {
        struct stat linked;
        if (LookWithoutFollowing(backup, &linked) && SameFile(linked, held)) {
          return SheetPut::Replaced;
        }
        unlinkat(backup.folder, backup.name.c_str(), 0);
        return SheetPut::LeftAlone;
      }
      error = errno;
    }
    if (error != EEXIST) break;
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
  if (errno != EINVAL && errno != ENOSYS) {
    return RefusalEndsRun(errno) ? SheetPut::FileSystemFailed : SheetPut::Refused;
  }
  // No RENAME_NOREPLACE here: a link refuses to replace as well.
  if (linkat(from.folder, fromName, to.folder, toName, 0) == 0) {
    unlinkat(from.folder, fromName, 0);
    return SheetPut::Replaced;
  }
  if (errno == EEXIST) return SheetPut::LeftAlone;
  struct stat info;
  if (LookWithoutFollowing(to, &info) || errno != ENOENT) return SheetPut::LeftAlone;
  if (renameat(from.folder, fromName, to.folder, toName) == 0) return SheetPut::Replaced;
  return RefusalEndsRun(errno) ? SheetPut::FileSystemFailed : SheetPut::Refused;
}

// Removes the new sheet's file by its name while that name is still on the
// open file: a run that held a sheet another run has replaced meanwhile
// may find that run's new file there, and must leave it be.
void RemoveOwnNewFile(const PosixName& name, int newFile) {
  struct stat own, there;
  if (fstat(newFile, &own) == 0 && LookWithoutFollowing(name, &there) && SameFile(own, there)) {
    unlinkat(name.folder, name.name.c_str(), 0);
  }
}

// The rename keeps the sheet's name on the old file or the new one at
// every instant, and is taken wherever the new file can carry all that the
// old one does and the folder lets this process replace the sheet. Where
// not (another user's sheet, an attribute only the owner may set, a sticky
// folder), the new bytes are written over the sheet itself, after a
// flushed copy of it is kept as the backup: a kill half-way leaves the
// sheet half-written, but its original is safe.
SheetPut ReplaceHeldSheet(int newFile, PlatformFile sheet, const SheetStamp& stamp,
                          bool keepBackup, const Text& backupPath, const PosixName& from,
                          const PosixName& to) {
  struct stat now;
  if (!LookWithoutFollowing(to, &now) || !SameStamp(StampOf(now), stamp)) {
    return SheetPut::LeftAlone;
  }
  const int held = static_cast<int>(sheet);
  if (MayReplaceIn(to.folder, FolderNameOf(to), now) && GiveMetadataOf(held, now, newFile)) {
    if (keepBackup) {
      const SheetPut backup = KeepBackup(sheet, now, to, backupPath);
      if (backup != SheetPut::Replaced) return backup;
    }
    if (FlushUnlessRenameOrdersData(newFile, now.st_dev) &&
        renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str()) == 0) {
      return SheetPut::Replaced;
    }
    const int error = errno;
    if (keepBackup) TakeBackBackup(backupPath, now);
    return RefusalEndsRun(error) ? SheetPut::FileSystemFailed : SheetPut::Refused;
  }
  // The new file's bytes go into the sheet itself; the file is spent either way.
  const bool written = (!keepBackup || CopyOpenFileTo(sheet, backupPath) != 0) &&
                       WriteOverSheet(newFile, held) == 0;
  RemoveOwnNewFile(from, newFile);
  return written ? SheetPut::Replaced : SheetPut::FileSystemFailed;
}

// NewSheetPathFor's file as the calls take it: reached from the sheet's
// own name, without turning the path into text and back.
PosixName NewSheetNameOf(const Text& sheetPath) {
  PosixName name = PosixNameOf(sheetPath);
  name.name = NameWithSuffix(name.name, kNewSheetSuffix);
  return name;
}

}  // namespace

Text NewSheetPathFor(const Text& sheetPath) {
  return TextOfPosixPath(NameWithSuffix(PosixPath(sheetPath), kNewSheetSuffix).c_str());
}

Opening HoldSheet(const Text& path, PlatformFile* sheet, SheetStamp* stamp) {
  int fd;
  struct stat info;
  const Opening opening = OpenRegularFile(path, O_RDWR | O_NOFOLLOW, LOCK_EX, &fd, &info);
  if (opening != Opening::Opened) return opening;
  *sheet = fd;
  *stamp = StampOf(info);
  return opening;
}

bool IsStillTheSheet(const Text& path, const SheetStamp& stamp) {
  struct stat now;
  return LookWithoutFollowing(PosixNameOf(path), &now) && SameStamp(StampOf(now), stamp);
}

// The sheet's lock keeps every other run away from its backup too: the
// backup takes none of its own, which would also clash with the sheet's
// where a stopped run left the two names on one file.
Opening OpenBackup(const Text& path, const SheetStamp&, PlatformFile* backup, int64_t* size) {
  int fd;
  struct stat info;
  const Opening opening = OpenRegularFile(path, O_RDONLY | O_NOFOLLOW, 0, &fd, &info);
  if (opening != Opening::Opened) return opening;
  *backup = fd;
  *size = info.st_size;
  return opening;
}

Opening CreateNewSheetFile(const Text& sheetPath, const SheetStamp* held, PlatformFile* file) {
  const PosixName name = NewSheetNameOf(sheetPath);
  for (int attempt = 0; attempt < 2; ++attempt) {
    // Read back too, where the sheet is changed in place.
    const int fd = openat(name.folder, name.name.c_str(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      *file = fd;
      return Opening::Opened;
    }
    if (errno != EEXIST) break;
    // The sheet was looked at once, when it was held; a name taken is
    // the one moment it can matter that another run has replaced it since.
    if (held != nullptr && !IsStillTheSheet(sheetPath, *held)) return Opening::HeldElsewhere;
    // A folder there, or anything this process may not remove, is no
    // leftover of its own.
    if (unlinkat(name.folder, name.name.c_str(), 0) != 0) break;
  }
  if (errno == EEXIST || errno == EISDIR || errno == EPERM) return Opening::NotAFile;
  return OpeningOfError(errno);
}

void RemoveNewSheetFile(const Text& sheetPath, PlatformFile newFile) {
  RemoveOwnNewFile(NewSheetNameOf(sheetPath), static_cast<int>(newFile));
  close(static_cast<int>(newFile));
}

SheetPut PutNewSheetFileInPlace(const Text& sheetPath, PlatformFile newFile, PlatformFile sheet,
                                const SheetStamp& stamp, bool keepBackup, const Text& backupPath) {
  const PosixName from = NewSheetNameOf(sheetPath);
  const PosixName to = PosixNameOf(sheetPath);
  const int fd = static_cast<int>(newFile);
  const SheetPut outcome =
      sheet == kNoPlatformFile
          ? PutWithoutReplacing(from, to)
          : ReplaceHeldSheet(fd, sheet, stamp, keepBackup, backupPath, from, to);
  if (outcome != SheetPut::Replaced) RemoveOwnNewFile(from, fd);
  close(fd);
  if (sheet != kNoPlatformFile) close(static_cast<int>(sheet));
  return outcome;
}
