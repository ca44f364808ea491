#include "files/sheet_repair.h"

#include "files/held_folders.h"
#include "files/sheet_output.h"
#include "files/sheet_replacement.h"
#include "text/string_helpers.h"

namespace {

// An output for sheetPath with its folder held, or nullptr when the
// folder cannot be reached.
SheetOutput* NewOutput(const Text& sheetPath) {
  const FolderHold hold = HoldFolder(FolderOf(sheetPath));
  if (hold == 0) return nullptr;
  auto* output = new SheetOutput;
  output->sheetPath = sheetPath;
  output->backupPath = sheetPath + u".bak";
  output->hold = hold;
  return output;
}

void Discard(SheetOutput* output) {
  DropSheetOutput(*output);
  delete output;
}

}  // namespace

SheetRepair OpenSheetForRepair(const Text& sheetPath) {
  SheetRepair repair;
  SheetOutput* output = NewOutput(sheetPath);
  if (output == nullptr) return repair;

  // The sheet first: holding it is what keeps an overlapping run away from
  // it and from its backup.
  const SheetHold hold = HoldSheet(sheetPath, &output->sheet, &output->stamp);
  repair.hold = hold;
  if (hold == SheetHold::HeldElsewhere || hold == SheetHold::NotWritable ||
      hold == SheetHold::NotAFile) {
    Discard(output);
    return repair;
  }
  // A backup that is a link would make the sheet from whatever it points
  // to, and leave the sheet's own original nowhere.
  PlatformFile backup = kNoPlatformFile;
  int64_t backupSize = 0;
  const BackupOpening opening =
      OpenBackup(output->backupPath, output->stamp, &backup, &backupSize);
  repair.backup = opening;
  if (opening == BackupOpening::HeldElsewhere || opening == BackupOpening::NotAFile) {
    Discard(output);
    return repair;
  }
  const bool backupTrusted = opening == BackupOpening::Opened && backupSize >= 1;
  if (opening == BackupOpening::Opened && !backupTrusted) ClosePlatformFile(backup);

  // A sheet that is gone, or was emptied, is made again from its backup;
  // without one there is nothing to keep and nothing to make it from.
  const bool hasContent = hold == SheetHold::Held && output->stamp.size >= 1;
  if (hold == SheetHold::FileSystemRefused || (!hasContent && !backupTrusted)) {
    if (backupTrusted) ClosePlatformFile(backup);
    Discard(output);
    // A file system that takes no writes takes no backup of a sheet
    // that has none yet.
    if (hold == SheetHold::FileSystemRefused && !backupTrusted) {
      repair.opening = SheetOpening::NoBackup;
    }
    return repair;
  }
  output->keepBackup = !backupTrusted;
  repair.source = backupTrusted ? AddTextReader(backup, true) : AddTextReader(output->sheet, false);
  repair.output = AddTextOutput(output);
  repair.opening = SheetOpening::Ready;
  return repair;
}

FileHandle CreateSheet(const Text& sheetPath) {
  SheetOutput* output = NewOutput(sheetPath);
  if (output == nullptr) return 0;
  // An empty file holds nothing to keep: it is replaced, with no backup.
  const SheetHold hold = HoldSheet(sheetPath, &output->sheet, &output->stamp);
  if (hold != SheetHold::Missing && (hold != SheetHold::Held || output->stamp.size != 0)) {
    Discard(output);
    return 0;
  }
  return AddTextOutput(output);
}

SheetPut PutSheetInPlace(FileHandle handle) {
  SheetOutput* output = TakeTextOutput(handle);
  if (output == nullptr) return SheetPut::LeftAlone;
  const SheetPut put = PutSheetOutputInPlace(*output);
  delete output;
  return put;
}
