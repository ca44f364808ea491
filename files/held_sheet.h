#pragma once

#include <string>

#include "files/sheet_put.h"
#include "files/sheet_replacement.h"
#include "files/text_file.h"

// What a run may do with a sheet held for its repair (files/sheet_repair.h)
// besides repairing it: look at what the repair would write without
// writing it, and put the sheet's backup back in its place.

// Each function below that takes *output may give the output a new
// handle there; the old one is then gone.

// Turns a repair's output into a preview: every byte written to it from
// now on gathers in *bytes, and nothing reaches the disk.
void PreviewOutput(FileHandle* output, std::string* bytes);

// The held sheet's bytes as they stand; "" for a sheet that is missing.
std::string HeldSheetBytes(FileHandle* output);

// Whether the repair reads from a backup of the sheet, rather than from
// the sheet itself, which no repair has changed yet.
bool RepairsFromBackup(FileHandle* output);

// Whether the backup is the held sheet's own file under its second name,
// as a run stopped between keeping the backup and putting the new sheet
// in place leaves it.
bool BackupIsTheSheet(FileHandle* output);

// Puts the backup in the sheet's place in one step, so that the backup's
// name is gone, and lets go of the output. The output's source (the
// backup) must be closed first. Done, SheetChanged (someone else changed
// the sheet or the backup meanwhile: both left as they are) or Failed
// (the file system refused).
PutOutcome PutBackupInPlace(FileHandle output);
