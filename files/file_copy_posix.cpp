#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/file_copy.h"
#include "files/posix_path.h"

namespace {

// All of from (size bytes when it was looked at), read from its start,
// onto to from its start. Neither position moves, so the copy reads from
// its first byte straight away.
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

// Links the finished copy (a path, or an unnamed file's /proc name with
// AT_SYMLINK_FOLLOW) under target, which a link never replaces. 0, or the
// error that stopped it.
int LinkWithoutReplacing(const char* copy, const PosixName& target, int flags) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (linkat(AT_FDCWD, copy, target.folder, target.name.c_str(), flags) == 0) return 0;
    if (errno != EEXIST || !IsEmptyPlainFile(target)) return errno;
    unlinkat(target.folder, target.name.c_str(), 0);
  }
  return EEXIST;
}

// For file systems without hard links (FAT, exFAT, some shares): a rename
// that refuses to replace, or where even that is missing, a plain rename
// once nothing but an empty file stands at target.
bool RenameWithoutReplacing(const std::string& copy, const PosixName& target) {
  const char* to = target.name.c_str();
  if (renameat2(AT_FDCWD, copy.c_str(), target.folder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) {
    return IsEmptyPlainFile(target) && renameat(AT_FDCWD, copy.c_str(), target.folder, to) == 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info;
  const bool nothingThere =
      fstatat(target.folder, to, &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
  return (nothingThere || IsEmptyPlainFile(target)) &&
         renameat(AT_FDCWD, copy.c_str(), target.folder, to) == 0;
}

// Gives a finished named copy the target's name; the copy's own name is
// gone afterwards, whatever happened.
bool NameCopy(const std::string& copy, const PosixName& target) {
  const int error = LinkWithoutReplacing(copy.c_str(), target, 0);
  if (error != 0 && error != EEXIST && RenameWithoutReplacing(copy, target)) return true;
  unlink(copy.c_str());
  return error == 0;
}

}  // namespace

PlatformFile CopyOpenFileForReading(PlatformFile source, const Text& destination) {
  const int from = static_cast<int>(source);
  struct stat info;
  if (fstat(from, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) return kNoPlatformFile;
  const mode_t mode = info.st_mode & 0777;
  const PosixName target = PosixNameOf(destination);

  // Unnamed first: a run killed while copying leaves nothing behind.
  const int unnamed =
      openat(target.folder, FolderPart(target.name).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (unnamed >= 0) {
    const bool copied = CopyContent(from, info.st_size, unnamed);
    const std::string self = "/proc/self/fd/" + std::to_string(unnamed);
    const int error = copied ? LinkWithoutReplacing(self.c_str(), target, AT_SYMLINK_FOLLOW) : EIO;
    if (error == 0) return unnamed;
    close(unnamed);
    if (!copied || error == EEXIST) return kNoPlatformFile;
    // No /proc, or no hard links on this file system: a named copy below.
  }

  // A name of its own beside the target, made only by this call, which
  // never ends in ".cue", so that no sweep takes a stray one for a sheet.
  std::string copy = PosixPath(destination) + ".XXXXXX";
  const int named = mkostemp(&copy[0], O_CLOEXEC);
  if (named < 0) return kNoPlatformFile;
  bool copied = fchmod(named, mode) == 0 && CopyContent(from, info.st_size, named);
  // A network file system may report a failed write only when the
  // descriptor that made it is closed; the copy is read through another.
  const int reader = copied ? dup(named) : -1;
  copied = close(named) == 0 && copied && reader >= 0;
  if (copied && NameCopy(copy, target)) return reader;
  if (reader >= 0) close(reader);
  if (!copied) unlink(copy.c_str());
  return kNoPlatformFile;
}

int32_t CopyOpenFileTo(PlatformFile source, const Text& destination) {
  const PlatformFile copy = CopyOpenFileForReading(source, destination);
  if (copy == kNoPlatformFile) return 0;
  ClosePlatformFile(copy);
  return 1;
}
