#pragma once

#include <cstdint>

#include "files/folder_listing.h"
#include "files/sheet_output.h"
#include "text/text.h"

// The few values a run keeps from start-up to its end.
struct RunState {
  Text chosenPath;       // what the first dialog returned, or the path given
  Text folderPath;       // the folder the "all" choice sweeps
  Text newCuePath;       // the sheet written beside a chosen image
  SheetOutputHandle outputFile = 0;  // its content on the way
  ListingHandle listing = 0;  // the sweep of the chosen folder
  int32_t exitCode = 0;       // 0 but for a run with options that the disk stopped
};

extern RunState gRun;

void ClearRunState();
