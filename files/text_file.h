#pragma once

#include <cstdint>

#include "files/platform_file.h"
#include "text/text.h"

// Handle of an open text file; 0 names none and is what a failed open gives.
using FileHandle = intptr_t;

// Bytes of read-ahead per file open for reading.
constexpr int32_t kTextBufferSize = 4096;

// Sets up the table of open files; called once before any file is opened.
void InitTextFiles();

// Opens an existing file for reading lines, exclusively. 0 on failure.
FileHandle OpenTextForReading(const Text& path);

// True once no further byte can be read. False for a handle naming no file.
bool AtEnd(FileHandle file);

// The next line decoded from UTF-8, without its line end. A line ends at
// LF, CR, CR LF or NUL; a read error reads as the end of the file.
Text ReadLine(FileHandle file);

// Writes the text as UTF-8 followed by CR LF to a sheet's output
// (files/sheet_repair.h); a file open for reading ignores it.
void WriteLine(FileHandle file, const Text& text);

// Closes the file and forgets the handle. An output that was not put in
// its sheet's place is dropped, and the sheet stays as it was.
void CloseTextFile(FileHandle file);

// Closes every file still open, on any way out of the run.
void CloseAllTextFiles();

// For the file services' own use: lines read from a file opened there
// (closed with the handle only if closeWithHandle), and lines written to
// a sheet's new content, which TakeTextOutput hands back with the handle
// forgotten.
struct SheetOutput;
FileHandle AddTextReader(PlatformFile file, bool closeWithHandle);
FileHandle AddTextOutput(SheetOutput* output);
SheetOutput* TakeTextOutput(FileHandle file);
