#pragma once

#include <cstdint>

#include "text/text.h"

// The thin layer between the file services and the platform's files.
// Only regular files are ever opened. Where the file system has no locks
// (a share without a lock service), files are opened without them rather
// than not at all.
using PlatformFile = intptr_t;
constexpr PlatformFile kNoPlatformFile = -1;

// How an open went. The same answers serve every storey of a sheet's
// repair, from the platform's open of a sheet or its backup up to the run
// that passes the sheet over, so none of them is translated on the way.
enum class Opening {
  Opened,
  Missing,
  Empty,              // a sheet of no bytes, with no backup to make it again from
  HeldElsewhere,      // another opener holds it: another run, or another program
  NotPermitted,       // this process may not open it as it asked
  NotAFile,           // a link, a folder, a device, a FIFO, ...
  NameTooLong,        // longer than the file system takes (with ".bak", say)
  FileSystemRefused,  // no writes at all: read-only, full, or failing
};

// An existing file, for a look at its first bytes: no lock is taken and
// none is heeded, so an image that another program (an emulator) holds
// open, even exclusively, still reads.
PlatformFile OpenPlatformFileForPeeking(const Text& path);

// The bytes actually read: fewer than asked only at the end of the file,
// 0 on any error.
int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count);

// The same from offset on, leaving the file's position where it was.
int32_t ReadPlatformFileAt(PlatformFile file, int64_t offset, void* into, int32_t count);

// The bytes the platform took, from the file's position on: fewer than
// count when it refused the rest (a full disk, a size limit).
int32_t WritePlatformFile(PlatformFile file, const void* bytes, int32_t count);

void ClosePlatformFile(PlatformFile file);
