#pragma once

#include <cstdint>

#include "text/text.h"

// Handle of an open text file; 0 names none and is what a failed open gives.
using FileHandle = intptr_t;

// Bytes of read-ahead and of pending output per open file.
constexpr int32_t kTextBufferSize = 4096;

// Sets up the table of open files; called once before any file is opened.
void InitTextFiles();

// Opens an existing file for reading lines, exclusively. 0 on failure.
FileHandle OpenTextForReading(const Text& path);

// Creates a file, or empties an existing one, for writing lines,
// exclusively. Nothing is written yet: no byte-order mark. 0 on failure.
FileHandle CreateTextFile(const Text& path);

// True once no further byte can be read. False for a handle naming no file.
bool AtEnd(FileHandle file);

// The next line decoded from UTF-8, without its line end. A line ends at
// LF, CR, CR LF or NUL; a read error reads as the end of the file.
Text ReadLine(FileHandle file);

// Writes the text as UTF-8 followed by CR LF. Write errors are ignored.
void WriteLine(FileHandle file, const Text& text);

// Writes pending output, closes the file and forgets the handle.
void CloseTextFile(FileHandle file);

// Closes every file still open, so buffered output reaches the disk on any
// way out of the run.
void CloseAllTextFiles();
