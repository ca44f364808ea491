#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/platform_file.h"
#include "files/posix_lock.h"
#include "files/posix_name.h"

namespace {

// Opens without blocking (a FIFO would wait for a writer) and refuses
// anything but a regular file. O_NONBLOCK stays set: reads and writes of a
// regular file ignore it, and clearing it would cost two more calls per
// open. A descriptor, or kNoPlatformFile.
PlatformFile OpenRegular(const Text& path, int flags) {
  const PosixName name = PosixNameOf(path);
  const int fd = openat(name.folder, name.name.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return kNoPlatformFile;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return kNoPlatformFile;
  }
  return fd;
}

// OpenRegular, then the lock (LOCK_EX stands in for Windows' share mode
// 0); a file another opener holds is refused.
PlatformFile OpenLocked(const Text& path, int flags, int lock) {
  const PlatformFile file = OpenRegular(path, flags);
  if (file == kNoPlatformFile) return file;
  if (HeldElsewhere(static_cast<int>(file), lock)) {
    close(static_cast<int>(file));
    return kNoPlatformFile;
  }
  return file;
}

}  // namespace

// Never through a link: what is read this way (a backup) must be the file
// that stands at the name.
PlatformFile OpenPlatformFileForReading(const Text& path) {
  return OpenLocked(path, O_RDONLY | O_NOFOLLOW, LOCK_EX);
}

PlatformFile OpenPlatformFileForCopying(const Text& path) {
  return OpenLocked(path, O_RDONLY, LOCK_SH);
}

PlatformFile OpenPlatformFileForPeeking(const Text& path) { return OpenRegular(path, O_RDONLY); }

int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count) {
  // A regular file's read comes up short only at its end, so one call does.
  while (true) {
    const ssize_t got = read(static_cast<int>(file), into, static_cast<size_t>(count));
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? 0 : static_cast<int32_t>(got);  // a read error reads as the end
  }
}

int32_t ReadPlatformFileAt(PlatformFile file, int64_t offset, void* into, int32_t count) {
  int32_t total = 0;
  while (total < count) {
    const ssize_t got = pread(static_cast<int>(file), static_cast<char*>(into) + total,
                              static_cast<size_t>(count - total), offset + total);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += static_cast<int32_t>(got);
  }
  return total;
}

int32_t WritePlatformFile(PlatformFile file, const void* bytes, int32_t count) {
  int32_t total = 0;
  while (total < count) {
    const ssize_t put = write(static_cast<int>(file), static_cast<const char*>(bytes) + total,
                              static_cast<size_t>(count - total));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    total += static_cast<int32_t>(put);
  }
  return total;
}

void MovePlatformFilePosition(PlatformFile file, int32_t distance) {
  lseek(static_cast<int>(file), distance, SEEK_CUR);
}

void ClosePlatformFile(PlatformFile file) { close(static_cast<int>(file)); }
