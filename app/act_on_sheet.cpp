#include "app/act_on_sheet.h"

#include <string>

#include "app/create_cue_for_image.h"
#include "app/make_playlists.h"
#include "app/passed_over.h"
#include "app/restore_sheets.h"
#include "app/rewrite_cue_sheet.h"
#include "app/run_report.h"
#include "files/file_size.h"
#include "files/path_kind.h"
#include "files/sheet_repair.h"
#include "text/string_helpers.h"
#include "ui/file_dialog.h"

namespace {

// What a repair of the sheet would come to, found the way the repair
// itself goes, up to the point of writing: nothing on disk changes, and a
// missing image is reported rather than asked for.
Outcome PreviewRepair(const Text& sheetPath) {
  const SheetRepair repair = OpenSheetForRepair(sheetPath);
  if (repair.opening != Opening::Opened) return WhyPassedOver(sheetPath, repair);
  const SheetOutputHandle output = repair.output;
  std::string repaired;
  PreviewSheetOutput(output, &repaired);
  SetQuestionsOff(true);
  RebuildSheetLines(repair.source, output, FolderOf(sheetPath));
  CloseTextFile(repair.source);
  const std::string current = HeldSheetBytes(output);
  DropSheetOutput(output);
  if (WouldAsk(repaired)) return Outcome::ImageMissing;
  return repaired == current ? Outcome::AlreadyRight : Outcome::Repaired;
}

// The sheet an image gets would be made where nothing, or an empty file, is.
Outcome PreviewSheetForImage(const Text& imagePath) {
  const Text sheetPath = FolderOf(imagePath) + FileNameOf(imagePath, NoExtension) + u".cue";
  const PathKind kind = KindOfPath(sheetPath);
  const bool made = kind == PathKind::Missing || (kind == PathKind::File && FileSize(sheetPath) == 0);
  return made ? Outcome::SheetMade : Outcome::SheetThere;
}

}  // namespace

void ActOnSheet(const Text& sheetPath) {
  const RunOptions& options = Options();
  SetWorkingOn(sheetPath);
  const Outcome outcome = options.restore  ? RestoreSheet(sheetPath)
                          : options.dryRun ? PreviewRepair(sheetPath)
                                           : RewriteCueSheet(sheetPath);
  Report(outcome, sheetPath);
  if (options.playlists && KeepsSheet(outcome)) RememberForPlaylist(sheetPath);
}

void ActOnImage(const Text& imagePath) {
  const RunOptions& options = Options();
  Outcome outcome = Outcome::NotASheet;  // a restore puts back sheets only
  if (options.dryRun && !options.restore) {
    outcome = PreviewSheetForImage(imagePath);
  } else if (!options.restore) {
    switch (CreateCueForImage(imagePath)) {
      case SheetPut::Replaced:
        outcome = Outcome::SheetMade;
        break;
      case SheetPut::FileSystemFailed:
        outcome = Outcome::ReadOnlyDisk;
        break;
      case SheetPut::Refused:
        outcome = Outcome::Refused;
        break;
      case SheetPut::Unchanged:
      case SheetPut::LeftAlone:
        outcome = Outcome::SheetThere;
        break;
    }
  }
  Report(outcome, imagePath);
  if (options.playlists && outcome == Outcome::SheetMade) {
    RememberForPlaylist(FolderOf(imagePath) + FileNameOf(imagePath, NoExtension) + u".cue");
  }
}
