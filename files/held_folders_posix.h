#pragma once

#include <dirent.h>

#include <string>

#include "text/text.h"

// The POSIX side of files/held_folders.h, for the POSIX files beside it.

// A path as the *at system calls take it: a folder descriptor and a name
// in it. The name is relative to the innermost held folder (HoldFolder)
// the path lies in, else the whole path, from AT_FDCWD; the held folder
// itself is ".".
struct PosixName {
  int folder;
  std::string name;
};

PosixName PosixNameOf(const Text& path);

// PosixNameOf's folder, with the name written into *name, whose room
// serves again: for the calls a sweep makes for every image.
int PosixNameInto(const Text& path, std::string* name);

// The folder at path, reached as PosixNameOf reaches it, open for reading
// its entries; nullptr when it cannot be.
DIR* OpenFolderEntries(const Text& folder);
