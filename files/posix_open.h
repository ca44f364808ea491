#pragma once

#include <sys/stat.h>

#include "text/text.h"

enum class Opening { Opened, Refused, NotRegular, HeldElsewhere };

// Opens the file at path (reached from its held folder) with flags, never
// waiting (a FIFO would wait for a writer) and never as a controlling
// terminal, and keeps it only if it is a regular file; then takes lock
// (LOCK_SH, or LOCK_EX, which stands in for Windows' share mode 0), or
// none for 0. O_NONBLOCK stays set: reads and writes of a regular file
// ignore it, and clearing it would cost two more calls per open. Refused
// leaves the open's reason in errno.
Opening OpenRegularFile(const Text& path, int flags, int lock, int* fd, struct stat* info);
