#pragma once

#include "text/text.h"

// Repairs the cue sheets of every folder entry of folder (which ends in its
// separator). "." and ".." count as entries, so the sheets lying in folder
// itself and in its parent are repaired too, where the listing has them.
void SweepSubfolders(const Text& folder);

// Repairs every entry of folder matching "*.cue".
void SweepFolder(const Text& folder);
