#pragma once

#include <cstdint>
#include <string>

#include "files/held_folders.h"
#include "files/platform_file.h"
#include "files/sheet_replacement.h"
#include "text/text.h"

// A sheet's new content on its way to the sheet's place. Its bytes are
// compared with the sheet's own as they come, and while they match none
// of them is kept: a sheet that comes out as it was costs no write at all,
// however large. From the first block that differs on, the content goes
// to the new sheet's own file beside the sheet; a small sheet stays in
// memory until it is put in place, so a run stopped at a question leaves
// nothing behind. The outputs are this file's own: callers hold a handle.

// Handle of an output; 0 names none and is what a failed start gives.
using SheetOutputHandle = intptr_t;

// Takes over the held folder and the held sheet (kNoPlatformFile for a
// sheet still to be made), for an output that puts its content in
// sheetPath's place; keepBackup when the sheet's content has no backup yet.
SheetOutputHandle StartSheetOutput(const Text& sheetPath, FolderHold hold, PlatformFile sheet,
                                   const SheetStamp& stamp, bool keepBackup);

// Writes the text as UTF-8, in pieces, never as a copy of the whole.
// WriteSheetLine ends it with CR LF. A handle naming no output is ignored.
void WriteSheetText(SheetOutputHandle output, TextView text);
void WriteSheetLine(SheetOutputHandle output, TextView text);

// Puts the content in the sheet's place, unless it equals the sheet's
// own, and lets go of everything the output holds. LeftAlone for a handle
// naming no output.
SheetPut PutSheetInPlace(SheetOutputHandle output);

// Lets go of everything the output holds and removes its file, if any;
// the sheet stays as it was.
void DropSheetOutput(SheetOutputHandle output);

// Drops every output still open, on any way out of the run.
void DropAllSheetOutputs();

// What else a run may do with a repair's output (files/sheet_repair.h)
// besides putting it in place: look at what the repair would write without
// writing it, and put the sheet's backup back in its place.

// Turns the output into a preview: every byte written to it from now on
// gathers in *bytes, and nothing reaches the disk.
void PreviewSheetOutput(SheetOutputHandle output, std::string* bytes);

// The held sheet's bytes as they stand; "" for a sheet that is missing.
std::string HeldSheetBytes(SheetOutputHandle output);

// Whether the repair reads from a backup of the sheet, rather than from
// the sheet itself, which no repair has changed yet.
bool RepairsFromBackup(SheetOutputHandle output);

// Whether the backup is the held sheet's own file under its second name,
// as a run stopped between keeping the backup and putting the new sheet
// in place leaves it.
bool BackupIsTheSheet(SheetOutputHandle output);

// Puts the backup in the sheet's place in one step, so that the backup's
// name is gone, and lets go of the output. The repair's source (the
// backup) must be closed first. Replaced, LeftAlone (someone else changed
// the sheet or the backup meanwhile: both left as they are) or
// FileSystemFailed.
SheetPut PutBackupInPlace(SheetOutputHandle output);
