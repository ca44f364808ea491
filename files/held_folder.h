#pragma once

#include "text/text.h"

// Keeps folder (a path ending in its separator) open while a sweep works
// in it, so that the files in it are reached from there instead of by a
// walk of their whole path from the root: in a library of thousands of
// sheets, those walks are a good part of a sweep's time. Paths anywhere
// else are looked up as always. An empty folder lets go of the one held.
void HoldFolderOpen(const Text& folder);
