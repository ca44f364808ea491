#pragma once

#include <sys/file.h>

#include <cerrno>

// Takes a non-blocking flock (LOCK_SH or LOCK_EX) on fd. True only when
// another opener holds a conflicting lock. A file system that cannot lock
// at all (a share without a lock service gives ENOLCK, some mounts
// EOPNOTSUPP or EINVAL) goes on without the lock rather than refusing
// every file on it.
inline bool HeldElsewhere(int fd, int operation) {
  while (flock(fd, operation | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK || errno == EAGAIN;
  }
  return false;
}
