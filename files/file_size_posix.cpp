#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_size.h"
#include "files/posix_path.h"

namespace {

bool WriteAll(int fd, const char* bytes, ssize_t count) {
  while (count > 0) {
    const ssize_t put = write(fd, bytes, static_cast<size_t>(count));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    count -= put;
  }
  return true;
}

bool CopyContent(int from, int to) {
  char block[64 * 1024];
  while (true) {
    const ssize_t got = read(from, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(to, block, got)) return false;
  }
}

}  // namespace

int64_t PlatformFileSize(const Text& path) {
  struct stat info;
  if (stat(PosixPath(path).c_str(), &info) != 0) return kNoFile;
  if (S_ISDIR(info.st_mode)) return kFolder;
  if (S_ISREG(info.st_mode)) return static_cast<int64_t>(info.st_size);
  return kNoFile;  // FIFOs, sockets and devices are never real files here
}

int32_t PlatformCopyFile(const Text& source, const Text& destination) {
  const int from = open(PosixPath(source).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (from < 0) return 0;
  struct stat info;
  // Like Windows' copy, a source held exclusively by another opener is refused.
  if (fstat(from, &info) != 0 || !S_ISREG(info.st_mode) || flock(from, LOCK_SH | LOCK_NB) != 0) {
    close(from);
    return 0;
  }

  const std::string target = PosixPath(destination);
  const int to = open(target.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC,
                      info.st_mode & 0777);
  struct stat targetInfo;
  if (to < 0 || fstat(to, &targetInfo) != 0 || !S_ISREG(targetInfo.st_mode) ||
      flock(to, LOCK_EX | LOCK_NB) != 0) {
    if (to >= 0) close(to);
    close(from);
    return 0;
  }
  // O_NONBLOCK stays set on both: a regular file's reads and writes ignore
  // it. A destination just created is empty already and needs no truncation.
  bool copied = (targetInfo.st_size == 0 || ftruncate(to, 0) == 0) && CopyContent(from, to);
  copied = close(to) == 0 && copied;
  // A half-written copy must not pass for a backup: a disk that filled up
  // would otherwise leave a truncated one that later runs trust.
  if (!copied) unlink(target.c_str());
  close(from);
  return copied ? 1 : 0;
}
