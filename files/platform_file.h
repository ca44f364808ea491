#pragma once

#include <cstdint>

#include "text/text.h"

// The thin layer between the file services and the platform's files.
// Every open for reading or rewriting is exclusive: no other opener gets
// the file while it is held. Only regular files are ever opened.
// Where the file system has no locks (a share without a lock service),
// files are opened without them rather than not at all.
using PlatformFile = intptr_t;
constexpr PlatformFile kNoPlatformFile = -1;
// What an open for rewriting gives when another opener holds the file.
constexpr PlatformFile kPlatformFileHeld = -2;

// An existing file, for reading.
PlatformFile OpenPlatformFileForReading(const Text& path);

// An existing file, for copying from: shared with other readers, refused
// while anyone holds it exclusively. Symbolic links are followed.
PlatformFile OpenPlatformFileForCopying(const Text& path);

// An existing file, for a look at its first bytes: no lock is taken and
// none is heeded, so an image that another program (an emulator) holds
// open, even exclusively, still reads.
PlatformFile OpenPlatformFileForPeeking(const Text& path);

// A file to be rewritten in place, for writing (and reading where
// allowed): never emptied here, never reached through a symbolic link,
// dangling or not. A missing file is created only when createMissing is
// set. kPlatformFileHeld when another opener holds it.
PlatformFile OpenPlatformFileForRewriting(const Text& path, bool createMissing);

// The bytes actually read: fewer than asked only at the end of the file,
// 0 on any error.
int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count);

// The bytes the platform took, from the file's position on: fewer than
// count when it refused the rest (a full disk, a size limit).
int32_t WritePlatformFile(PlatformFile file, const void* bytes, int32_t count);

// Moves the file position by distance bytes from where it stands.
void MovePlatformFilePosition(PlatformFile file, int32_t distance);

// Ends the file after its first length bytes: whatever lay beyond is cut
// off.
void CutPlatformFileAt(PlatformFile file, int64_t length);

void ClosePlatformFile(PlatformFile file);
