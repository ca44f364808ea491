#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/platform_file.h"
#include "files/posix_path.h"

namespace {

// Opens without blocking (a FIFO would wait for a writer), refuses anything
// but a regular file, and takes the exclusive lock that stands in for
// Windows' share mode 0. O_NONBLOCK stays set: reads and writes of a regular
// file ignore it, and clearing it would cost two more calls per open.
int OpenExclusive(const Text& path, int flags) {
  const int fd = open(PosixPath(path).c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

PlatformFile OpenPlatformFileForReading(const Text& path) {
  const int fd = OpenExclusive(path, O_RDONLY);
  return fd < 0 ? kNoPlatformFile : fd;
}

PlatformFile CreatePlatformFile(const Text& path) {
  // No O_TRUNC: a file that another opener holds must never be emptied, so
  // truncation waits until the lock is ours.
  int fd = OpenExclusive(path, O_RDWR | O_CREAT);
  if (fd < 0) fd = OpenExclusive(path, O_WRONLY);
  if (fd < 0) return kNoPlatformFile;
  if (ftruncate(fd, 0) != 0) {
    close(fd);
    return kNoPlatformFile;
  }
  return fd;
}

int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count) {
  int32_t total = 0;
  while (total < count) {
    const ssize_t got = read(static_cast<int>(file), static_cast<char*>(into) + total,
                             static_cast<size_t>(count - total));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return 0;  // a read error reads as the end of the file
    if (got == 0) break;
    total += static_cast<int32_t>(got);
  }
  return total;
}

void WritePlatformFile(PlatformFile file, const void* bytes, int32_t count) {
  int32_t total = 0;
  while (total < count) {
    const ssize_t put = write(static_cast<int>(file), static_cast<const char*>(bytes) + total,
                              static_cast<size_t>(count - total));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    total += static_cast<int32_t>(put);
  }
}

void MovePlatformFilePosition(PlatformFile file, int32_t distance) {
  lseek(static_cast<int>(file), distance, SEEK_CUR);
}

void ClosePlatformFile(PlatformFile file) { close(static_cast<int>(file)); }
