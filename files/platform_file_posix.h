#pragma once

#include <sys/stat.h>

#include "files/platform_file.h"
#include "text/text.h"

// The POSIX file layer's own opens, for the POSIX files beside it.

// Opens the file at path (reached from its held folder) with flags, never
// waiting (a FIFO would wait for a writer) and never as a controlling
// terminal, and keeps it only if it is a regular file; then takes lock
// (LOCK_SH, or LOCK_EX, which stands in for Windows' share mode 0), or
// none for 0. O_NONBLOCK stays set: reads and writes of a regular file
// ignore it, and clearing it would cost two more calls per open.
Opening OpenRegularFile(const Text& path, int flags, int lock, int* fd, struct stat* info);

// Takes a non-blocking flock (LOCK_SH or LOCK_EX) on fd. True only when
// another opener holds a conflicting lock. A file system that cannot lock
// at all (a share without a lock service gives ENOLCK, some mounts
// EOPNOTSUPP or EINVAL) goes on without the lock rather than refusing
// every file on it.
bool HeldElsewhere(int fd, int operation);
