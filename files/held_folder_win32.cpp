#include "files/held_folder.h"

// Windows has no calls relative to an open folder in its file API; every
// file is opened by its whole path, so there is nothing to hold.
void HoldFolderOpen(const Text&) {}
