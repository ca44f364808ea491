#pragma once

#include <cstdint>

#include "text/text.h"

// While a folder is held, every path that starts with it, exactly as it
// was given, is reached from the folder itself rather than by a walk of
// the whole path from the root. Moving or swapping the folder, or any
// folder above it, then cannot send later work elsewhere, and a library
// of thousands of sheets is spared as many walks of long paths. Holds
// nest: a folder is itself reached from the innermost held folder above it.
// Windows opens every file by its whole path; there a hold is an open
// handle on the folder that shares everything but deletion, so that the
// folder itself cannot be renamed, moved or replaced meanwhile.

// Handle of a hold; 0 when the folder cannot be reached.
using FolderHold = intptr_t;

// Holds folder, a path ending in its separator ("" is the current folder).
FolderHold HoldFolder(const Text& folder);

void LetGoOfFolder(FolderHold hold);
