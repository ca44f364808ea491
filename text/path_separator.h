#pragma once

#include <cstddef>

#include "text/text.h"

// How this platform's own paths (picked, typed, given or listed) are taken
// apart. On Windows "\" and "/" both separate folders and no name may hold
// "|"; elsewhere "/" alone separates, and "\" and "|" are name characters
// like any other.

// The separator the system appends to a folder to name something inside
// it: "\" on Windows, "/" elsewhere.
extern const char16_t kFolderSeparator;

bool IsFolderSeparator(char16_t c);

// How far FolderOf looks for separators: to the path's end, or on Windows
// to its first "|", which no Windows name can hold.
size_t FolderSearchEnd(const Text& path);

// The folder as a prefix for the names inside it: with one separator at
// its end, unless it has one already or is "" (the current folder).
inline Text WithFolderSeparator(const Text& folder) {
  if (folder.empty() || IsFolderSeparator(folder.back())) return folder;
  return folder + kFolderSeparator;
}
