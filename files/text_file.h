#pragma once

#include <cstdint>

#include "files/platform_file.h"
#include "text/text.h"

// Lines read from files, decoded from UTF-8 as they come.

// Handle of an open line reader; 0 names none and is what a failed open gives.
using FileHandle = intptr_t;

// Bytes of read-ahead for each reader opened from now on (4 at least).
// Nothing in the program changes it; the tests make it small, to cross
// its end often.
extern int32_t gTextBufferSize;

// Sets up the table of readers; called once before any is opened.
void InitTextFiles();

// Reads lines from a file opened by the file services, from its position
// on; the file is closed with the handle only if closeWithHandle. 0 for
// kNoPlatformFile.
FileHandle OpenLineReader(PlatformFile file, bool closeWithHandle);

// True once no further byte can be read. False for a handle naming no reader.
bool AtEnd(FileHandle file);

// The next line into *line, decoded from UTF-8, without its line end; its
// room is reused, so many lines cost no allocation each. A line ends at
// LF, CR, CR LF or NUL; a read error reads as the end of the file. Bytes
// that are not UTF-8 are kept as the stand-ins of DecodeUtf8KeepingBytes
// (text/utf8.h), so that writing the line gives them back. A line costs
// about twice its size in bytes, however long it is.
void ReadLineInto(FileHandle file, Text* line);

// Closes the reader and forgets the handle.
void CloseTextFile(FileHandle file);

// Closes every reader still open, on any way out of the run.
void CloseAllTextFiles();
