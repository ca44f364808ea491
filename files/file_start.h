#pragma once

#include <cstdint>
#include <string>

#include "text/text.h"

// Up to the first count bytes of a regular file, or "" when it cannot be
// read. The file is opened for reading only, never changed, and read
// whoever else holds it open.
std::string ReadFileStart(const Text& path, int32_t count);
