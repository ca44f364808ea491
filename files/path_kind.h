#pragma once

#include "text/text.h"

enum class PathKind { Missing, File, Folder, Link, Other, NameTooLong };

// What stands at path, the link itself where it is one: for saying why a
// sheet was passed over, and for a playlist's name before it is written.
PathKind KindOfPath(const Text& path);
