#pragma once

#include "text/text.h"

// How the image a sheet names is found: the image types, the bare name a
// FILE line stands for, and the search of the sheet's folder for it.

// The suffixes of raw CD image files, in the order a missing image is
// looked for with them appended.
extern const Text kImageSuffixes[3];

// Whether the path ends in one of kImageSuffixes, in any letter case.
bool IsImagePath(TextView path);

// The bare file name a FILE line's name stands for: everything up to its
// last "\" or "/" dropped, and the name ended at a double quote. Both
// separators count on every platform, since sheets are written on Windows
// too: "D:\Rips\Racer.bin" names Racer.bin wherever the sheet is read.
// "" for a name longer than any file system holds. A part of writtenName.
TextView BareImageName(TextView writtenName);

// The image a FILE line's name (as written) finds in the sheet's folder,
// spelled as it is on disk: its bare name in any letter case, else with
// the first of kImageSuffixes that finds one. A name written in an older
// Windows code page reads as the stand-ins of its bytes: it is looked for
// as those bytes, then read in each legacy code page in turn. "" when no
// reading finds a file of 1 byte or more.
Text FindImage(const Text& sheetFolder, TextView writtenName);

// Lets go of what the search keeps of a folder; called before each sheet,
// so that every sheet sees its folder as it is now.
void ForgetImageSearch();
