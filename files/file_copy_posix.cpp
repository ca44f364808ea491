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

// All of from (size bytes when it was looked at), read from its start
// without moving its position, onto to.
bool CopyContent(int from, off_t size, int to) {
  char block[64 * 1024];
  off_t at = 0;
  while (true) {
    const ssize_t got = pread(from, block, sizeof block, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WritePlatformFile(to, block, static_cast<int32_t>(got))) return false;
    at += got;
    if (got < static_cast<ssize_t>(sizeof block) && at >= size) return true;  // no read past the end
  }
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Only a plain empty file may give way to a copy: it holds nothing to keep.
bool IsEmptyPlainFile(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
}

// Links the finished copy (a path, or an unnamed file's /proc name with
// AT_SYMLINK_FOLLOW) under target, which a link never replaces. 0, or the
// error that stopped it.
int LinkWithoutReplacing(const char* copy, const std::string& target, int flags) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (linkat(AT_FDCWD, copy, AT_FDCWD, target.c_str(), flags) == 0) return 0;
    if (errno != EEXIST || !IsEmptyPlainFile(target)) return errno;
    unlink(target.c_str());
  }
  return EEXIST;
}

// For file systems without hard links (FAT, exFAT, some shares): a rename
// that refuses to replace, or where even that is missing, a plain rename
// once nothing but an empty file stands at target.
bool RenameWithoutReplacing(const std::string& copy, const std::string& target) {
  if (renameat2(AT_FDCWD, copy.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno == EEXIST) return IsEmptyPlainFile(target) && rename(copy.c_str(), target.c_str()) == 0;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info;
  const bool nothingThere = lstat(target.c_str(), &info) != 0 && errno == ENOENT;
  return (nothingThere || IsEmptyPlainFile(target)) && rename(copy.c_str(), target.c_str()) == 0;
}

// Gives a finished named copy the target's name; the copy's own name is
// gone afterwards, whatever happened.
bool NameCopy(const std::string& copy, const std::string& target) {
  const int error = LinkWithoutReplacing(copy.c_str(), target, 0);
  if (error != 0 && error != EEXIST && RenameWithoutReplacing(copy, target)) return true;
  unlink(copy.c_str());
  return error == 0;
}

}  // namespace

int32_t CopyOpenFileTo(PlatformFile source, const Text& destination) {
  const int from = static_cast<int>(source);
  struct stat info;
  if (fstat(from, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) return 0;
  const mode_t mode = info.st_mode & 0777;
  const std::string target = PosixPath(destination);

  // Unnamed first: a run killed while copying leaves nothing behind.
  const int unnamed = open(FolderPart(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (unnamed >= 0) {
    const bool copied = CopyContent(from, info.st_size, unnamed);
    const std::string self = "/proc/self/fd/" + std::to_string(unnamed);
    const int error = copied ? LinkWithoutReplacing(self.c_str(), target, AT_SYMLINK_FOLLOW) : EIO;
    close(unnamed);
    if (error == 0) return 1;
    if (!copied || error == EEXIST) return 0;
    // No /proc, or no hard links on this file system: a named copy below.
  }

  // A name of its own beside the target, made only by this call, which
  // never ends in ".cue", so that no sweep takes a stray one for a sheet.
  std::string copy = target + ".XXXXXX";
  const int named = mkostemp(&copy[0], O_CLOEXEC);
  if (named < 0) return 0;
  bool copied = fchmod(named, mode) == 0 && CopyContent(from, info.st_size, named);
  copied = close(named) == 0 && copied;
  if (!copied) {
    unlink(copy.c_str());
    return 0;
  }
  return NameCopy(copy, target) ? 1 : 0;
}
