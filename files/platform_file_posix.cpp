#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/platform_file.h"
#include "files/posix_lock.h"
#include "files/posix_name.h"
#include "files/posix_open.h"

namespace {

PlatformFile OpenLocked(const Text& path, int flags, int lock) {
  int fd;
  struct stat info;
  return OpenRegularFile(path, flags, lock, &fd, &info) == Opening::Opened ? fd : kNoPlatformFile;
}

}  // namespace

Opening OpenRegularFile(const Text& path, int flags, int lock, int* fd, struct stat* info) {
  const PosixName name = PosixNameOf(path);
  const int opened = openat(name.folder, name.name.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (opened < 0) return Opening::Refused;
  Opening opening = Opening::Opened;
  if (fstat(opened, info) != 0 || !S_ISREG(info->st_mode)) {
    opening = Opening::NotRegular;
  } else if (lock != 0 && HeldElsewhere(opened, lock)) {
    opening = Opening::HeldElsewhere;
  }
  if (opening == Opening::Opened) {
    *fd = opened;
  } else {
    close(opened);
  }
  return opening;
}

// Never through a link: what is read this way (a backup) must be the file
// that stands at the name.
PlatformFile OpenPlatformFileForReading(const Text& path) {
  return OpenLocked(path, O_RDONLY | O_NOFOLLOW, LOCK_EX);
}

PlatformFile OpenPlatformFileForCopying(const Text& path) {
  return OpenLocked(path, O_RDONLY, LOCK_SH);
}

PlatformFile OpenPlatformFileForPeeking(const Text& path) { return OpenLocked(path, O_RDONLY, 0); }

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

void ClosePlatformFile(PlatformFile file) { close(static_cast<int>(file)); }
