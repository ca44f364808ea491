#include "files/held_sheet.h"

#include <algorithm>

#include "files/sheet_output.h"
#include "files/sheet_restore.h"

namespace {

// The output behind a handle, for a look that leaves it open: taken from
// the table of open files and handed back under a new handle.
SheetOutput* Look(FileHandle* output) {
  SheetOutput* sheet = TakeTextOutput(*output);
  if (sheet != nullptr) *output = AddTextOutput(sheet);
  return sheet;
}

}  // namespace

void PreviewOutput(FileHandle* output, std::string* bytes) {
  SheetOutput* sheet = Look(output);
  if (sheet != nullptr) sheet->preview = bytes;
}

std::string HeldSheetBytes(FileHandle* output) {
  const SheetOutput* sheet = Look(output);
  std::string bytes;
  if (sheet == nullptr || sheet->sheet == kNoPlatformFile) return bytes;
  bytes.resize(static_cast<size_t>(sheet->stamp.size));
  for (size_t at = 0; at < bytes.size();) {
    const int32_t count = static_cast<int32_t>(std::min<size_t>(bytes.size() - at, 1 << 20));
    const int32_t got =
        ReadPlatformFileAt(sheet->sheet, static_cast<int64_t>(at), &bytes[at], count);
    at += static_cast<size_t>(got);
    if (got < count) bytes.resize(at);
  }
  return bytes;
}

bool RepairsFromBackup(FileHandle* output) {
  const SheetOutput* sheet = Look(output);
  return sheet != nullptr && !sheet->keepBackup;
}

bool BackupIsTheSheet(FileHandle* output) {
  const SheetOutput* sheet = Look(output);
  return sheet != nullptr && sheet->sheet != kNoPlatformFile &&
         IsFileAt(sheet->backupPath, sheet->stamp);
}

PutOutcome PutBackupInPlace(FileHandle output) {
  SheetOutput* sheet = TakeTextOutput(output);
  if (sheet == nullptr) return PutOutcome::SheetChanged;
  const PutOutcome outcome =
      RenameBackupOverSheet(sheet->sheetPath, sheet->backupPath, sheet->sheet, sheet->stamp);
  sheet->sheet = kNoPlatformFile;  // closed there
  DropSheetOutput(*sheet);
  delete sheet;
  return outcome;
}
