#pragma once

#include <cstdint>

#include "text/text.h"

// The thin layer between the text-file service and the platform's files.
// Every open is exclusive: no other opener gets the file while it is held.
// Only regular files are ever opened.
using PlatformFile = intptr_t;
constexpr PlatformFile kNoPlatformFile = -1;

// An existing file, for reading.
PlatformFile OpenPlatformFileForReading(const Text& path);

// A new or emptied file, for writing (and reading). An existing file is
// emptied only once it is held exclusively.
PlatformFile CreatePlatformFile(const Text& path);

// The bytes actually read: fewer than asked at the end, 0 on any error.
int32_t ReadPlatformFile(PlatformFile file, void* into, int32_t count);

// Write errors are not reported: the caller carries on regardless.
void WritePlatformFile(PlatformFile file, const void* bytes, int32_t count);

// Moves the file position by distance bytes from where it stands.
void MovePlatformFilePosition(PlatformFile file, int32_t distance);

void ClosePlatformFile(PlatformFile file);
