#pragma once

#include "text/text.h"

// The process's current folder, ending in its separator ("" if unknown).
Text CurrentFolder();

// Whether a typed path names its file without help from the current folder.
bool IsAbsolutePath(const Text& path);
