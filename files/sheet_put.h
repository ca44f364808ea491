#pragma once

// How an output of files/sheet_repair.h ended when put in its sheet's place.
enum class SheetPut {
  Replaced,          // the new sheet is in place, the old one kept where wanted
  Unchanged,         // the new bytes were the sheet's own: nothing was written
  LeftAlone,         // someone else changed the sheet meanwhile; theirs stands
  FileSystemFailed,  // no room, no permission, an I/O error: the sheet stands as it was
};
