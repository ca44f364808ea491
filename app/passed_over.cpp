#include "app/passed_over.h"

#include "app/end_run.h"
#include "files/path_kind.h"

namespace {

// A link looks to an open like any other thing that is no plain file; a
// second look tells.
Outcome WhyNotAFile(const Text& path, bool aboutBackup) {
  if (KindOfPath(path) == PathKind::Link) return aboutBackup ? Outcome::BackupLink : Outcome::Link;
  return aboutBackup ? Outcome::BackupNotAFile : Outcome::NotAFile;
}

}  // namespace

Outcome WhyPassedOver(const Text& sheetPath, const SheetRepair& repair) {
  switch (repair.opening) {
    case Opening::Opened:
      break;
    case Opening::Missing:
      // Or a folder that could not be reached, which leaves the sheet
      // missing as well.
      return KindOfPath(sheetPath) == PathKind::NameTooLong ? Outcome::NameTooLong
                                                             : Outcome::Missing;
    case Opening::Empty:
      return Outcome::Empty;
    case Opening::HeldElsewhere:
      return Outcome::HeldElsewhere;
    case Opening::NotPermitted:
      return Outcome::NotWritable;
    case Opening::NotAFile:
      return WhyNotAFile(repair.aboutBackup ? sheetPath + u".bak" : sheetPath, repair.aboutBackup);
    case Opening::NameTooLong:
      return Outcome::NameTooLong;
    case Opening::FileSystemRefused:
      return Outcome::ReadOnlyDisk;
  }
  return Outcome::Missing;
}

Outcome OutcomeOfPut(SheetPut put, Outcome replaced, Outcome unchanged) {
  switch (put) {
    case SheetPut::Replaced:
      return replaced;
    case SheetPut::Unchanged:
      return unchanged;
    case SheetPut::LeftAlone:
      return Outcome::ChangedMeanwhile;
    case SheetPut::Refused:
      return Outcome::Refused;
    case SheetPut::FileSystemFailed:
      break;
  }
  EndRun();
}
