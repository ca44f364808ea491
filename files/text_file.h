#pragma once

#include <cstdint>

#include "files/platform_file.h"
#include "text/text.h"

// Handle of an open text file; 0 names none and is what a failed open gives.
using FileHandle = intptr_t;

// Bytes of read-ahead for each file opened for reading from now on (4 at
// least). Nothing in the program changes it; the tests make it small, to
// cross its end often.
extern int32_t gTextBufferSize;

// Sets up the table of open files; called once before any file is opened.
void InitTextFiles();

// Opens an existing file for reading lines, exclusively. 0 on failure.
FileHandle OpenTextForReading(const Text& path);

// True once no further byte can be read. False for a handle naming no file.
bool AtEnd(FileHandle file);

// The next line decoded from UTF-8, without its line end. A line ends at
// LF, CR, CR LF or NUL; a read error reads as the end of the file. Bytes
// that are not UTF-8 are kept as the stand-ins of DecodeUtf8KeepingBytes
// (text/utf8.h), so that writing the line gives them back. A line costs
// about twice its size in bytes, however long it is.
Text ReadLine(FileHandle file);

// The same into *line, reusing its room: many lines, no allocation each.
void ReadLineInto(FileHandle file, Text* line);

// Writes the text as UTF-8 to a sheet's output (files/sheet_repair.h), in
// pieces, never as a copy of the whole; a file open for reading ignores
// it. EndLine ends the line with CR LF; WriteLine does both.
void WriteText(FileHandle file, TextView text);
void EndLine(FileHandle file);
void WriteLine(FileHandle file, TextView text);

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
