#include "app/passed_over.h"

#include "files/path_kind.h"

namespace {

// A link and a name too long look alike to an open; a second look tells.
Outcome WhyNotAFile(const Text& path, Outcome otherwise) {
  switch (KindOfPath(path)) {
    case PathKind::Link:
      return otherwise == Outcome::NotAFile ? Outcome::Link : Outcome::BackupLink;
    case PathKind::NameTooLong:
      return Outcome::NameTooLong;
    default:
      return otherwise;
  }
}

}  // namespace

Outcome WhyPassedOver(const Text& sheetPath, const SheetRepair& repair) {
  switch (repair.hold) {
    case SheetHold::NotAFile:
      return WhyNotAFile(sheetPath, Outcome::NotAFile);
    case SheetHold::HeldElsewhere:
      return Outcome::HeldElsewhere;
    case SheetHold::NotWritable:
      return Outcome::NotWritable;
    case SheetHold::FileSystemRefused:
      return Outcome::ReadOnlyDisk;
    case SheetHold::Missing:
    case SheetHold::Held:
      break;
  }
  switch (repair.backup) {
    case BackupOpening::NotAFile:
      return WhyNotAFile(sheetPath + u".bak", Outcome::BackupNotAFile);
    case BackupOpening::HeldElsewhere:
      return Outcome::HeldElsewhere;
    case BackupOpening::Missing:
    case BackupOpening::Opened:
      break;
  }
  // Neither content nor a backup to make it from; or a folder that could
  // not be reached, which leaves the sheet missing as well.
  if (repair.hold == SheetHold::Held) return Outcome::Empty;
  return KindOfPath(sheetPath) == PathKind::NameTooLong ? Outcome::NameTooLong : Outcome::Missing;
}
