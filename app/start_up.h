#pragma once

#include <vector>

#include "app/command_line.h"
#include "text/text.h"

// The whole run. Without paths: one save-style dialog and at most one
// action on the path the user confirms. With paths: no first dialog, and
// each path acted on in turn as if it had been confirmed there. Options
// may ask for a restore, playlists, a report, or a dry run, which shows no
// dialog at all. Then EndRun; never returns.
[[noreturn]] void RunBrindlet(const std::vector<Text>& paths = {},
                              const RunOptions& options = RunOptions());

// What the first dialog would have returned for a path given to the
// program: a relative path taken from the current folder, an existing
// folder as its "all". "" for an empty path, which is passed over.
Text ChoiceForPath(const Text& path);
