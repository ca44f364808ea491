#include "app/restore_sheets.h"

#include "app/cue_file_line.h"
#include "app/end_run.h"
#include "app/passed_over.h"
#include "app/rewrite_cue_sheet.h"
#include "files/sheet_repair.h"
#include "text/string_helpers.h"
#include "text/utf8.h"
#include "ui/file_dialog.h"

namespace {

// What a repair writes where a question would have named the image.
const std::string kUnaskedFileLine = "FILE \"" + EncodeUtf8(kUnaskedName) + "\" ";
constexpr char kLineEnd[] = "\r\n";

// The next line of bytes from *at, without its CR LF; false past the end.
bool NextLine(const std::string& bytes, size_t* at, std::string* line) {
  if (*at >= bytes.size()) return false;
  size_t end = bytes.find(kLineEnd, *at);
  if (end == std::string::npos) end = bytes.size();
  line->assign(bytes, *at, end - *at);
  *at = end + 2;
  return true;
}

// Whether a sheet's line is a FILE line a repair could have written for an
// image it asked for, whose FILE line read `type` before the name was known.
bool MatchesUnaskedLine(const std::string& repairedLine, const std::string& sheetLine) {
  const std::string type = repairedLine.substr(kUnaskedFileLine.size());
  if (sheetLine.compare(0, 6, "FILE \"") != 0) return false;
  const size_t close = sheetLine.find('"', 6);
  if (close == std::string::npos || sheetLine.compare(close, 2, "\" ") != 0) return false;
  const std::string name = sheetLine.substr(6, close - 6);
  // A repair writes a bare name, whatever was picked.
  if (name.find_first_of("/\\") != std::string::npos) return false;
  const TextView typeWritten = FileTypeToWrite(DecodeUtf8KeepingBytes(type.data(), type.size()),
                                           DecodeUtf8KeepingBytes(name.data(), name.size()));
  return sheetLine.substr(close + 2) == EncodeUtf8(typeWritten);
}

}  // namespace

bool WouldAsk(const std::string& repaired) {
  return repaired.find(kUnaskedFileLine) != std::string::npos;
}

bool IsOwnRepair(const std::string& repaired, const std::string& sheet) {
  // A repair ends every line with CR LF; a sheet that does not is not one.
  if (sheet.size() < 2 || sheet.compare(sheet.size() - 2, 2, kLineEnd) != 0 ||
      repaired.size() < 2) {
    return repaired == sheet;
  }
  size_t atRepaired = 0, atSheet = 0;
  std::string repairedLine, sheetLine;
  while (true) {
    const bool moreRepaired = NextLine(repaired, &atRepaired, &repairedLine);
    const bool moreSheet = NextLine(sheet, &atSheet, &sheetLine);
    if (!moreRepaired || !moreSheet) return moreRepaired == moreSheet;
    if (repairedLine == sheetLine) continue;
    if (repairedLine.compare(0, kUnaskedFileLine.size(), kUnaskedFileLine) != 0 ||
        !MatchesUnaskedLine(repairedLine, sheetLine)) {
      return false;
    }
  }
}

Outcome RestoreSheet(const Text& sheetPath) {
  // Held as for a repair: the same sheets are passed over, for the same
  // reasons, and a run repairing the sheet meanwhile is kept away.
  const SheetRepair repair = OpenSheetForRepair(sheetPath);
  // A read-only disk under a sheet without a backup: nothing to restore.
  if (repair.opening == Opening::FileSystemRefused) return Outcome::NoBackup;
  if (repair.opening != Opening::Opened) return WhyPassedOver(sheetPath, repair);
  const SheetOutputHandle output = repair.output;
  if (!RepairsFromBackup(output)) {
    CloseTextFile(repair.source);
    DropSheetOutput(output);
    return Outcome::NoBackup;
  }
  // A sheet that is its own backup, as a run stopped between its two
  // steps leaves it, is the original already.
  std::string current;
  if (!BackupIsTheSheet(output)) current = HeldSheetBytes(output);
  if (!current.empty()) {
    std::string repaired;
    PreviewSheetOutput(output, &repaired);
    SetQuestionsOff(true);
    RebuildSheetLines(repair.source, output, FolderOf(sheetPath));
    SetQuestionsOff(Options().dryRun);
    if (!IsOwnRepair(repaired, current)) {
      CloseTextFile(repair.source);
      DropSheetOutput(output);
      return Outcome::ChangedSinceRepair;
    }
  }
  CloseTextFile(repair.source);
  if (Options().dryRun) {
    DropSheetOutput(output);
    return Outcome::Restored;
  }
  switch (PutBackupInPlace(output)) {
    case SheetPut::Replaced:
      return Outcome::Restored;
    case SheetPut::Unchanged:
    case SheetPut::LeftAlone:
    case SheetPut::Refused:
      return Outcome::ChangedMeanwhile;
    case SheetPut::FileSystemFailed:
      break;
  }
  EndRun();
}
