#include "files/sheet_repair.h"

#include "files/held_folders.h"
#include "files/listed_names.h"
#include "files/sheet_replacement.h"
#include "files/wildcard_match.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"

namespace {

// Code units of a name that every common file system takes: 255 bytes of
// UTF-8, at up to 3 bytes a unit, or 255 UTF-16 units.
constexpr size_t kNameThatAlwaysFits = 85;

// The length of the path's last part, in code units.
size_t NameLength(const Text& path) {
  size_t length = 0;
  while (length < path.size() && !IsFolderSeparator(path[path.size() - 1 - length])) ++length;
  return length;
}

// Lets go of what an open that passes its sheet over had taken.
SheetRepair PassOver(Opening why, FolderHold hold, PlatformFile sheet, bool aboutBackup = false) {
  if (sheet != kNoPlatformFile) ClosePlatformFile(sheet);
  LetGoOfFolder(hold);
  SheetRepair repair;
  repair.opening = why;
  repair.aboutBackup = aboutBackup;
  return repair;
}

}  // namespace

SheetRepair OpenSheetForRepair(const Text& sheetPath) {
  const FolderHold hold = HoldFolder(FolderOf(sheetPath));
  if (hold == 0) return SheetRepair();

  // The sheet first: holding it is what keeps an overlapping run away from
  // it and from its backup.
  PlatformFile sheet = kNoPlatformFile;
  SheetStamp stamp;
  const Opening sheetOpening = HoldSheet(sheetPath, &sheet, &stamp);
  if (sheetOpening != Opening::Opened && sheetOpening != Opening::Missing &&
      sheetOpening != Opening::FileSystemRefused) {
    return PassOver(sheetOpening, hold, sheet);
  }
  // A backup that is a link would make the sheet from whatever it points
  // to, and leave the sheet's own original nowhere. A backup the sweep's
  // listing did not show is not looked for; a long name is looked for all
  // the same, as the one way to learn that it cannot be made.
  PlatformFile backup = kNoPlatformFile;
  int64_t backupSize = 0;
  const Text backupPath = sheetPath + u".bak";
  const bool surelyMissing =
      ListingLacks(backupPath) && NameLength(backupPath) <= kNameThatAlwaysFits;
  const Opening backupOpening =
      surelyMissing ? Opening::Missing : OpenBackup(backupPath, stamp, &backup, &backupSize);
  if (backupOpening != Opening::Opened && backupOpening != Opening::Missing) {
    return PassOver(backupOpening, hold, sheet, true);
  }
  const bool backupTrusted = backupOpening == Opening::Opened && backupSize >= 1;
  if (backupOpening == Opening::Opened && !backupTrusted) ClosePlatformFile(backup);

  if (sheetOpening == Opening::FileSystemRefused) {
    if (backupTrusted) ClosePlatformFile(backup);
    // A file system that takes no writes takes no backup of a sheet that
    // has none yet: that ends the run. One with a backup is only passed over.
    return PassOver(backupTrusted ? Opening::NotPermitted : Opening::FileSystemRefused, hold,
                    sheet);
  }
  // A sheet that is gone, or was emptied, is made again from its backup;
  // without one there is nothing to keep and nothing to make it from.
  const bool hasContent = sheetOpening == Opening::Opened && stamp.size >= 1;
  if (!hasContent && !backupTrusted) {
    return PassOver(sheetOpening == Opening::Missing ? Opening::Missing : Opening::Empty, hold,
                    sheet);
  }
  SheetRepair repair;
  repair.opening = Opening::Opened;
  repair.source = backupTrusted ? OpenLineReader(backup, true) : OpenLineReader(sheet, false);
  repair.output = StartSheetOutput(sheetPath, hold, sheet, stamp, !backupTrusted);
  return repair;
}

SheetOutputHandle CreateSheet(const Text& sheetPath) {
  const FolderHold hold = HoldFolder(FolderOf(sheetPath));
  if (hold == 0) return 0;
  // An empty file holds nothing to keep: it is replaced, with no backup.
  PlatformFile sheet = kNoPlatformFile;
  SheetStamp stamp;
  const Opening opening = HoldSheet(sheetPath, &sheet, &stamp);
  if (opening != Opening::Missing && (opening != Opening::Opened || stamp.size != 0)) {
    PassOver(opening, hold, sheet);
    return 0;
  }
  return StartSheetOutput(sheetPath, hold, sheet, stamp, false);
}

Text SheetLeftAs(const Text& fileName) {
  static const Text pattern = NewSheetPathFor(u"*.cue");
  static const size_t suffix = NewSheetPathFor(Text()).size();
  if (!MatchesWildcard(fileName, pattern)) return Text();
  return fileName.substr(0, fileName.size() - suffix);
}
