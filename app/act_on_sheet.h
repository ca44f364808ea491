#pragma once

#include "text/text.h"

// What a run does with each sheet and image it reaches, as its options
// ask (app/run_report.h): the repair, a restore, or a dry run's look at
// either; reported, and remembered for the playlists.
void ActOnSheet(const Text& sheetPath);
void ActOnImage(const Text& imagePath);
