#pragma once

#include <cstdint>

#include "files/platform_file.h"
#include "text/text.h"

// Copies the whole content of a file held open (source, read from its
// start; its position is left where it was) to destination, which appears
// whole or not at all, and only once its bytes are on disk: the copy is
// written under no name where the file system allows it, else under a
// temporary name in the destination's folder, flushed, and only then given
// the destination's name. Nothing but a plain empty file is ever replaced:
// a destination of 1 byte or more, a symbolic link (dangling or not), a
// folder or a device make the copy fail. An empty source is not copied: a
// copy of nothing would be no backup. Nonzero on success, when the
// destination holds the whole source. This is the backup of a sheet on a
// file system without hard links.
int32_t CopyOpenFileTo(PlatformFile source, const Text& destination);
