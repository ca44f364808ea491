#pragma once

#include "app/run_report.h"
#include "files/sheet_output.h"
#include "files/text_file.h"
#include "text/text.h"

// Repairs one cue sheet in place. The sheet's first content is kept once
// and for good in "<sheet>.bak"; the sheet is rebuilt from that backup with
// only its FILE, TRACK, PREGAP, POSTGAP, FLAGS and INDEX lines, whatever
// their letter case and blanks, and the REM lines that mark a disc's
// sessions and areas, and changes in one step once the new sheet
// is complete. A sheet that cannot be repaired (a link, not a regular
// file, empty, held elsewhere) is passed over. Ends the whole run when the
// file system refuses the backup or the new sheet. Returns what became
// of the sheet.
Outcome RewriteCueSheet(const Text& sheetPath);

// Writes the repaired lines of the sheet in sheetFolder (which ends in
// its separator) whose first content source reads, to output. False when
// a question for a missing image could not be shown: output is then
// incomplete.
bool RebuildSheetLines(FileHandle source, SheetOutputHandle output, const Text& sheetFolder);

// The INDEX 00 and INDEX 01 times for an audio track's INDEX 01 time that
// has no pregap before it: two seconds earlier (never before 00:00) and the
// time itself, frames unchanged. False when the time is not MM:SS:FF with
// minutes 00-99 and seconds 00-59, so that nothing is invented.
bool ShiftedIndexTimes(TextView time, Text* index00, Text* index01);
