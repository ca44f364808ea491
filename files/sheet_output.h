#pragma once

#include <cstddef>
#include <string>

#include "files/held_folders.h"
#include "files/platform_file.h"
#include "files/sheet_put.h"
#include "files/sheet_replacement.h"

// A sheet's new content on its way to the sheet's place. Its bytes are
// compared with the sheet's own as they come, and while they match none
// of them is kept: a sheet that comes out as it was costs no write at all,
// however large. From the first block that differs on, the content goes
// to the new sheet's own file beside the sheet; a small sheet stays in
// memory until it is put in place, so a run stopped at a question leaves
// nothing behind.
struct SheetOutput {
  Text sheetPath;
  Text backupPath;
  FolderHold hold = 0;  // the sheet's folder, for as long as the output lives
  PlatformFile sheet = kNoPlatformFile;  // held throughout; none for a sheet still to be made
  SheetStamp stamp;
  bool keepBackup = false;  // the sheet's content has no backup yet
  int64_t matched = 0;      // leading bytes equal to the sheet's own, kept nowhere
  std::string pending;      // bytes not compared or kept yet
  bool differs = false;
  PlatformFile newFile = kNoPlatformFile;  // made once the content outgrows memory
  bool failed = false;  // the new file refused bytes: a full disk, a size limit
  bool sheetChanged = false;  // someone else put another file at the sheet's name
  // A preview (files/held_sheet.h): every byte gathers here, none is
  // compared or written.
  std::string* preview = nullptr;
};

void AppendToSheetOutput(SheetOutput& output, const char* bytes, size_t count);

// Puts the content in the sheet's place, unless it equals the sheet's
// own, and lets go of everything the output holds.
SheetPut PutSheetOutputInPlace(SheetOutput& output);

// Lets go of everything the output holds and removes its file, if any;
// the sheet stays as it was.
void DropSheetOutput(SheetOutput& output);
