#pragma once

#include <string>

#include "text/text.h"
#include "text/utf8.h"

// POSIX system calls take UTF-8 paths.
inline std::string PosixPath(const Text& path) { return EncodeUtf8(path); }
