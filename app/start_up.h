#pragma once

#include <vector>

#include "text/text.h"

// The whole run. Without paths: one save-style dialog and at most one
// action on the path the user confirms. With paths: no first dialog, and
// each path acted on in turn as if it had been confirmed there. Then
// EndRun; never returns.
[[noreturn]] void RunBrindlet(const std::vector<Text>& paths = {});

// What the first dialog would have returned for a path given to the
// program: a relative path taken from the current folder, an existing
// folder as its "all". "" for an empty path, which is passed over.
Text ChoiceForPath(const Text& path);
