#pragma once

#include "files/platform_file.h"
#include "text/text.h"

// Another opener of a file, as another run or another program would hold
// it: exclusively (a lock, or Windows' share mode 0), or shared with other
// readers. kNoPlatformFile when it cannot be opened. Let go of it with
// ClosePlatformFile.
PlatformFile HoldAsAnotherOpener(const Text& path, bool exclusive);
