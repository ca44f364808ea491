#include "text/path_separator.h"

const char16_t kFolderSeparator = u'/';

// A POSIX name may hold any character but "/" and NUL: a folder called
// "Disc|3" or a sheet called "a\b.cue" is as good as any other.
bool IsFolderSeparator(char16_t c) { return c == u'/'; }

size_t FolderSearchEnd(const Text& path) { return path.size(); }
