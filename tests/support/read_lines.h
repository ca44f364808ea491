#pragma once

#include "files/text_file.h"
#include "text/text.h"

// The program's own line reader on the file at path (0 when it cannot be
// opened), and its next line.
FileHandle OpenLines(const Text& path);
Text ReadLine(FileHandle file);
