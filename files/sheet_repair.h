#pragma once

#include "files/platform_file.h"
#include "files/sheet_output.h"
#include "files/text_file.h"
#include "text/text.h"

// Changing a sheet on disk in one step. The new sheet's lines are written
// to an output (files/sheet_output.h), which takes the sheet's place only
// once it is complete: until then the sheet holds its old bytes, and
// readers see the old sheet or the new one, never a mix. The sheet's first
// content is kept for good in "<sheet>.bak", made at the moment the sheet
// is first changed. A sheet whose new bytes equal its old ones is left
// untouched, file and times.

struct SheetRepair {
  // Opened: rebuild from source, write the new sheet to output. Any other
  // answer says why the sheet is passed over, and nothing is left open;
  // FileSystemRefused: a backup is wanted and the file system takes no writes.
  Opening opening = Opening::Missing;
  bool aboutBackup = false;  // the opening says why the backup, not the sheet, was passed over
  FileHandle source = 0;  // the lines to rebuild from: the backup, or the sheet before its first one
  SheetOutputHandle output = 0;  // the new sheet; dropped unless put in place
};

// Opens a sheet for its repair. Passed over: a sheet that is a symbolic
// link, not a regular file, missing or empty (unless its backup can make
// it again), held by another opener (another run, or another program), or
// not writable by this process; a backup that is a link or not a regular
// file. A regular backup of 1 byte or more is the source of every repair;
// without one the sheet is its own source, and its backup is made when
// the new sheet takes its place. The sheet is held until then.
SheetRepair OpenSheetForRepair(const Text& sheetPath);

// An output for a sheet that is missing, or an empty file; 0 for anything
// else (a sheet with content, a link, a folder, a file held elsewhere).
SheetOutputHandle CreateSheet(const Text& sheetPath);

// The sheet name whose new form a file name is ("x.cue" for the new form
// of "x.cue"), where that form was left beside the sheet by a run stopped
// before it took the sheet's place; "" for any other name.
Text SheetLeftAs(const Text& fileName);
