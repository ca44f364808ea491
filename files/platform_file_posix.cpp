#include "files/platform_file_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "files/held_folders_posix.h"

Opening OpeningOfError(int error) {
  switch (error) {
    case ENOENT:
      return Opening::Missing;
    case ENAMETOOLONG:
      return Opening::NameTooLong;
    case EROFS:
    case ENOSPC:
    case EDQUOT:
    case EIO:
      return Opening::FileSystemRefused;
    case EACCES:
    case EPERM:
    case ETXTBSY:
      return Opening::NotPermitted;
    default:
      return Opening::NotAFile;  // a link (ELOOP), a socket (ENXIO), a folder (EISDIR)
  }
}

bool HeldElsewhere(int fd, int operation) {
  while (flock(fd, operation | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK || errno == EAGAIN;
  }
  return false;
}

Opening OpenRegularFile(const Text& path, int flags, int lock, int* fd, struct stat* info) {
  const PosixName name = PosixNameOf(path);
  const int opened = openat(name.folder, name.name.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (opened < 0) return OpeningOfError(errno);
  Opening opening = Opening::Opened;
  if (fstat(opened, info) != 0 || !S_ISREG(info->st_mode)) {
    opening = Opening::NotAFile;
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

PlatformFile OpenPlatformFileForPeeking(const Text& path) {
  int fd = -1;
  struct stat info;
  return OpenRegularFile(path, O_RDONLY, 0, &fd, &info) == Opening::Opened ? fd : kNoPlatformFile;
}

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

std::string NameWithSuffix(const std::string& name, const std::string& suffix) {
  constexpr size_t kLongestName = 255;
  const size_t start = name.rfind('/') + 1;  // npos + 1 is 0
  if (name.size() - start + suffix.size() <= kLongestName) return name + suffix;
  uint32_t hash = 2166136261u;  // FNV-1a
  for (size_t at = start; at < name.size(); ++at) {
    hash = (hash ^ static_cast<unsigned char>(name[at])) * 16777619u;
  }
  char tag[10];
  std::snprintf(tag, sizeof tag, "~%08x", static_cast<unsigned>(hash));
  return name.substr(0, start + kLongestName - suffix.size() - 9) + tag + suffix;
}
