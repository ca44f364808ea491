#pragma once

#include <cstdint>

#include "text/text.h"

// The thin layer between the file services and the platform's files.
// Only regular files are ever opened. Where the file system has no locks
// (a share without a lock service), files are opened without them rather
// than not at all.
using PlatformFile = intptr_t;
constexpr PlatformFile kNoPlatformFile = -1;

// An existing file, for reading, exclusively: refused while another
// opener holds it, and holding it from others until it is closed. Never
// reached through a symbolic link.
PlatformFile OpenPlatformFileForReading(const Text& path);

// An existing file, for copying from: shared with other readers, refused
// while anyone holds it exclusively. Symbolic links are followed.
PlatformFile OpenPlatformFileForCopying(const Text& path);

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
