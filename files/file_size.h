#pragma once

#include <cstdint>

#include "text/text.h"

// Result of FileSize for a path where nothing usable is, and for a folder.
constexpr int64_t kNoFile = -1;
constexpr int64_t kFolder = -2;

// The size in bytes of the file the path names (the full 64-bit range),
// kFolder for a folder or drive root, kNoFile for anything else: nothing
// there, an empty path, a path too long for the platform, a device or FIFO.
// Callers treat every result below 1 as a missing file. "*" and "?" are
// never wildcards here.
int64_t FileSize(const Text& path);

// FileSize of the file called name in folder (which ends in its
// separator).
int64_t FileSizeIn(const Text& folder, TextView name);

// The platform's answer behind it, for a non-empty path.
int64_t PlatformFileSize(const Text& path);
