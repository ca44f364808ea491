#pragma once

#include <cstdint>

#include "files/platform_file.h"
#include "text/text.h"

// The platform's side of putting a new sheet in the place of the old one
// in one step: a new file beside the sheet, renamed over it, the old one
// kept as the backup where one is wanted. Paths lie in a held folder
// (files/held_folders.h) wherever the platform can hold one.

// Which file a held sheet is and how it stood when it was taken: if any
// of it differs when the new sheet is put in place, someone else changed
// the sheet meanwhile.
struct SheetStamp {
  int64_t identity[2] = {0, 0};  // device or volume, and file number
  int64_t size = 0;
  int64_t times[2] = {0, 0};  // last write, last change of any kind
};

inline bool SameStamp(const SheetStamp& a, const SheetStamp& b) {
  return a.identity[0] == b.identity[0] && a.identity[1] == b.identity[1] && a.size == b.size &&
         a.times[0] == b.times[0] && a.times[1] == b.times[1];
}

// How putting a new sheet in its place went.
enum class SheetPut {
  Replaced,          // the new sheet is in place, the old one kept where wanted
  Unchanged,         // the new bytes were the sheet's own: nothing was written
  LeftAlone,         // someone else changed the sheet meanwhile; theirs stands
  Refused,           // refused for this sheet alone (its name, a folder in the way): as it was
  FileSystemFailed,  // no room, a read-only disk, an I/O error: the sheet stands as it was
};

// Takes an existing sheet to be replaced: a regular file, never reached
// through a link, that this process may write, open for reading and held
// exclusively until it is closed or put in place. Opened, Missing,
// HeldElsewhere, NotPermitted, NotAFile or FileSystemRefused.
Opening HoldSheet(const Text& path, PlatformFile* sheet, SheetStamp* stamp);

// Whether the sheet held is still the file at its name, as stamped. A run
// that held the sheet until a moment ago may have put its new sheet in its
// place since: the hold is then on a file that is no longer the sheet.
bool IsStillTheSheet(const Text& path, const SheetStamp& stamp);

// Opens a held sheet's backup for reading, never through a link; *size is
// its size in bytes. Holding the sheet keeps other runs away from its
// backup: where the platform's lock is a file's own (Linux), the backup
// takes none. A run stopped between keeping the backup and putting the new
// sheet in place leaves the two names on one file: the backup is then the
// file held as the sheet (stamped so), and opens all the same.
Opening OpenBackup(const Text& path, const SheetStamp& sheet, PlatformFile* backup,
                   int64_t* size);

// The new sheet's own file beside the sheet, empty, open for writing and
// reading, in *file. Its name never ends in ".cue". A file already at that
// name is a leftover of a run that was stopped, which only the sheet's
// holder could have made: it is removed while held (the sheet as stamped,
// or no sheet) is still the file at the sheet's name, and HeldElsewhere
// answered where not, since the name then belongs to another run's sheet.
// NotAFile where something else stands at that name.
Opening CreateNewSheetFile(const Text& sheetPath, const SheetStamp* held, PlatformFile* file);

// Closes the new sheet's file and removes it, unless another run has put
// its own file at that name since.
void RemoveNewSheetFile(const Text& sheetPath, PlatformFile newFile);

// Puts the new sheet's file in the sheet's place and closes both files.
// With a held sheet: only if it is still as stamped, keeping it first
// under backupPath when keepBackup is set. Without one (kNoPlatformFile),
// the sheet must still be missing. Replaced, LeftAlone, Refused or
// FileSystemFailed; on any but Replaced the new file is removed and the
// sheet left as it was.
SheetPut PutNewSheetFileInPlace(const Text& sheetPath, PlatformFile newFile, PlatformFile sheet,
                                const SheetStamp& stamp, bool keepBackup, const Text& backupPath);

// Where the new sheet is written before it takes the sheet's place: the
// sheet's name with ".brindlet-new", cut to fit where it would not.
Text NewSheetPathFor(const Text& sheetPath);
