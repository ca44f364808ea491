#pragma once

#include <string>

#include "files/sheet_replacement.h"
#include "text/text.h"

// Writes a one-track sheet named after the image beside it, unless a sheet
// of that name with content is already there (LeftAlone).
SheetPut CreateCueForImage(const Text& imagePath);

// The TRACK line's mode for an image whose first bytes are these:
// "MODE1/2048" for a plain ISO 9660 image of 2048-byte sectors,
// "MODE1/2352" for raw sectors of mode 1, "MODE2/2352" for anything else.
Text TrackModeOf(const std::string& imageStart);
