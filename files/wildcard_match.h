#pragma once

#include "text/text.h"

// Whether a file name matches a pattern the way Windows' directory search
// matches it: "*" any run, "?" one character, ASCII letters in any case,
// and a pattern ending in ".*" also matching names with no dot at all, so
// "*.*" matches every name, "." and ".." included.
bool MatchesWildcard(const Text& name, const Text& pattern);
