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

// What OpenTextForRewriting gives when another opener holds the file.
constexpr FileHandle kFileHeldElsewhere = -1;

// Opens an existing file to be rewritten in place: exclusively, never
// through a symbolic link, and without emptying it. Until BeginRewrite the
// file is only held, and closing it leaves it as it was. 0 when it cannot
// be opened, kFileHeldElsewhere when another opener holds it.
FileHandle OpenTextForRewriting(const Text& path);

// From here on the file's content is what is written to it, from its
// start: closing the file cuts it where the output ends. Called before
// anything is read from the file or written to it.
void BeginRewrite(FileHandle file);

// Opens a file to be rewritten, creating it when it is missing, and
// begins its rewrite: what is written replaces its content when it is
// closed. Never through a symbolic link; no byte-order mark is written.
// 0 on failure, also when another opener holds it.
FileHandle CreateTextFile(const Text& path);

// Copies the whole content of an open file to destination, as CopyFileTo
// does: the copy appears whole or not at all. The copy comes back open
// for reading lines from its start; 0 when no copy was made or it could
// not be opened.
FileHandle CopyTextFileForReading(FileHandle file, const Text& destination);

// True once no further byte can be read. False for a handle naming no file.
bool AtEnd(FileHandle file);

// The next line decoded from UTF-8, without its line end. A line ends at
// LF, CR, CR LF or NUL; a read error reads as the end of the file.
Text ReadLine(FileHandle file);

// Writes the text as UTF-8 followed by CR LF. Write errors are not
// reported; after the first one (a full disk, a size limit) nothing more
// is written to the file, so it ends on what fitted.
void WriteLine(FileHandle file, const Text& text);

// Writes pending output, cuts a file being rewritten where its output
// ends, closes the file and forgets the handle.
void CloseTextFile(FileHandle file);

// Closes every file still open, so buffered output reaches the disk on any
// way out of the run.
void CloseAllTextFiles();
