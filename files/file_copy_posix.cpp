#include "files/file_copy_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "files/held_folders_posix.h"
#include "files/platform_file_posix.h"

namespace {

// All of from (size bytes when it was looked at), read from its start,
// onto to from its start. Neither position moves.
bool CopyContent(int from, off_t size, int to) {
  char block[64 * 1024];
  off_t at = 0;
  while (true) {
    const ssize_t got = pread(from, block, sizeof block, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t put = 0; put < got;) {
      const ssize_t wrote = pwrite(to, block + put, static_cast<size_t>(got - put), at + put);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return false;
      put += wrote;
    }
    at += got;
    if (got < static_cast<ssize_t>(sizeof block) && at >= size) return true;  // no read past the end
  }
}

// The folder a name is in, for an unnamed file beside it.
std::string FolderPart(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string(".") : name.substr(0, slash + 1);
}

// Only a plain empty file may give way to a copy: it holds nothing to keep.
bool IsEmptyPlainFile(const PosixName& target) {
  struct stat info;
  return fstatat(target.folder, target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(info.st_mode) && info.st_size == 0;
}

// Links the finished copy (a name, or an unnamed file's /proc name with
// AT_SYMLINK_FOLLOW) under target, which a link never replaces. 0, or the
// error that stopped it.
int LinkWithoutReplacing(const PosixName& copy, const PosixName& target, int flags) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (linkat(copy.folder, copy.name.c_str(), target.folder, target.name.c_str(), flags) == 0) {
      return 0;
    }
    if (errno != EEXIST || !IsEmptyPlainFile(target)) return errno;
    unlinkat(target.folder, target.name.c_str(), 0);
  }
  return EEXIST;
}

// For file systems without hard links (FAT, exFAT, some shares): a rename
// that refuses to replace, or where even that is missing, a plain rename
// once nothing but an empty file stands at target.
bool RenameWithoutReplacing(const PosixName& copy, const PosixName& target) {
  const char* from = copy.name.c_str();
  const char* to = target.name.c_str();
  if (renameat2(copy.folder, from, target.folder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) {
    return IsEmptyPlainFile(target) && renameat(copy.folder, from, target.folder, to) == 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info;
  const bool nothingThere =
      fstatat(target.folder, to, &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
  return (nothingThere || IsEmptyPlainFile(target)) &&
         renameat(copy.folder, from, target.folder, to) == 0;
}

// Gives a finished named copy the target's name; the copy's own name is
// gone afterwards, whatever happened.
bool NameCopy(const PosixName& copy, const PosixName& target) {
  const int error = LinkWithoutReplacing(copy, target, 0);
  if (error != 0 && error != EEXIST && RenameWithoutReplacing(copy, target)) return true;
  unlinkat(copy.folder, copy.name.c_str(), 0);
  return error == 0;
}

// A file of its own beside the target, whose name never ends in ".cue",
// so that no sweep takes a stray one for a sheet. Only the holder of the
// sheet makes it, so one found there is a leftover of a run that was
// stopped, and is removed first.
int CreateNamedCopy(const PosixName& target, PosixName* copy) {
  *copy = {target.folder, NameWithSuffix(target.name, ".brindlet-part")};
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = openat(copy->folder, copy->name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
    if (unlinkat(copy->folder, copy->name.c_str(), 0) != 0) break;
  }
  return -1;
}

// Once the copy has its name, the folder is flushed too, so that the name
// is on disk as well as the bytes.
void FlushFolderOf(const PosixName& target) {
  const int folder = openat(target.folder, FolderPart(target.name).c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;  // a folder that may not be read is flushed with the file system
  fsync(folder);
  close(folder);
}

}  // namespace

// The copy's bytes reach the disk before its name does: a backup is
// trusted for good, and a sheet is replaced right after its backup is
// made, so a power cut must never find the name with the bytes still in
// the cache.
int32_t CopyOpenFileTo(PlatformFile source, const Text& destination) {
  const int from = static_cast<int>(source);
  struct stat info;
  if (fstat(from, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) return 0;
  const mode_t mode = info.st_mode & 0777;
  const PosixName target = PosixNameOf(destination);

  // Unnamed first: a run killed while copying leaves nothing behind. A
  // file system that refused to name such a copy once (no /proc, or no
  // hard links) is not asked again, so that each sheet is copied once.
  static dev_t unnameableDevice = 0;
  struct stat folder = {};
  const bool tryUnnamed =
      fstatat(target.folder, FolderPart(target.name).c_str(), &folder, 0) != 0 ||
      folder.st_dev != unnameableDevice;
  const int unnamed = tryUnnamed ? openat(target.folder, FolderPart(target.name).c_str(),
                                          O_TMPFILE | O_RDWR | O_CLOEXEC, mode)
                                 : -1;
  if (unnamed >= 0) {
    const bool copied = CopyContent(from, info.st_size, unnamed) && fsync(unnamed) == 0;
    const PosixName self = {AT_FDCWD, "/proc/self/fd/" + std::to_string(unnamed)};
    const int error = copied ? LinkWithoutReplacing(self, target, AT_SYMLINK_FOLLOW) : EIO;
    close(unnamed);
    if (error == 0) FlushFolderOf(target);
    if (error == 0 || !copied || error == EEXIST) return error == 0 ? 1 : 0;
    // No /proc, or no hard links on this file system: a named copy below.
    unnameableDevice = folder.st_dev;
  }

  PosixName copy;
  const int named = CreateNamedCopy(target, &copy);
  if (named < 0) return 0;
  bool copied =
      fchmod(named, mode) == 0 && CopyContent(from, info.st_size, named) && fsync(named) == 0;
  // A network file system may report a failed write only when the
  // descriptor that made it is closed.
  copied = close(named) == 0 && copied;
  if (!copied) {
    unlinkat(copy.folder, copy.name.c_str(), 0);
    return 0;
  }
  if (!NameCopy(copy, target)) return 0;
  FlushFolderOf(target);
  return 1;
}
