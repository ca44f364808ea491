#pragma once

#include "text/text.h"

// Repairs the cue sheets of every folder entry of folder (which ends in
// its separator), or does with them what the run's options ask
// (app/act_on_sheet.h). "." and ".." count as entries, so the sheets lying
// in folder itself and in its parent are reached too, where the listing
// has them.
void SweepSubfolders(const Text& folder);

// Repairs every entry of folder matching "*.cue", and gives back its name
// to a sheet a stopped run left without one.
void SweepFolder(const Text& folder);
