#pragma once

#include "files/platform_file.h"
#include "files/sheet_replacement.h"
#include "text/text.h"

// The platform's side of putting a sheet's backup back in its place.

// Whether the file at path (not followed if a link) is the one stamped.
bool IsFileAt(const Text& path, const SheetStamp& stamp);

// Renames the backup over the sheet in one step, and closes the sheet.
// With a held sheet: only while it is still as stamped. Without one
// (kNoPlatformFile), only while nothing has the sheet's name. Never a
// backup that is a link or not a regular file. A backup that is the held
// sheet's own file loses its second name instead. Replaced, LeftAlone
// (changed meanwhile) or FileSystemFailed.
SheetPut RenameBackupOverSheet(const Text& sheetPath, const Text& backupPath,
                                 PlatformFile sheet, const SheetStamp& stamp);
