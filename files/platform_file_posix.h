#pragma once

#include <sys/stat.h>

#include <string>

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

// What a refused open's errno says of the file.
Opening OpeningOfError(int error);

// Takes a non-blocking flock (LOCK_SH or LOCK_EX) on fd. True only when
// another opener holds a conflicting lock. A file system that cannot lock
// at all (a share without a lock service gives ENOLCK, some mounts
// EOPNOTSUPP or EINVAL) goes on without the lock rather than refusing
// every file on it.
bool HeldElsewhere(int fd, int operation);

// A name for a file of this program's own beside another: the other's
// name (its last part, after any "/") with suffix appended, where that
// fits in the 255 bytes every file system Linux mounts takes. A longer one
// is cut, and a hash of the whole name keeps names that share the cut part
// apart.
std::string NameWithSuffix(const std::string& name, const std::string& suffix);
