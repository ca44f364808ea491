#include "files/sheet_output.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes compared, or written, at a time.
constexpr size_t kBlockSize = 64 * 1024;

// A block of the sheet's own bytes, read for comparing and copying. The
// run has one thread and one output at a time.
char gSheetBlock[kBlockSize];

// Whether the pending bytes are the sheet's own from where the matched
// ones end.
bool PendingMatchesSheet(const SheetOutput& output) {
  if (output.sheet == kNoPlatformFile ||
      output.matched + static_cast<int64_t>(output.pending.size()) > output.stamp.size) {
    return false;
  }
  for (size_t at = 0; at < output.pending.size(); at += kBlockSize) {
    const int32_t count = static_cast<int32_t>(std::min(kBlockSize, output.pending.size() - at));
    if (ReadPlatformFileAt(output.sheet, output.matched + static_cast<int64_t>(at), gSheetBlock,
                           count) != count ||
        std::memcmp(gSheetBlock, output.pending.data() + at, static_cast<size_t>(count)) != 0) {
      return false;
    }
  }
  return true;
}

// Writing stops at the first refusal: the output has failed, and its file
// will never take the sheet's place.
void Write(SheetOutput& output, const char* bytes, size_t count) {
  for (size_t at = 0; at < count && !output.failed; at += kBlockSize) {
    const int32_t block = static_cast<int32_t>(std::min(kBlockSize, count - at));
    output.failed = WritePlatformFile(output.newFile, bytes + at, block) != block;
  }
}

// Makes the new sheet's file, starting with the leading bytes that were
// never kept: they are the sheet's own, and are taken from it.
void StartNewFile(SheetOutput& output) {
  // Only the holder of the sheet may use its new file's name.
  if (output.sheet != kNoPlatformFile && !IsStillTheSheet(output.sheetPath, output.stamp)) {
    output.sheetChanged = true;
    return;
  }
  output.newFile = CreateNewSheetFile(output.sheetPath);
  output.failed = output.newFile == kNoPlatformFile;
  for (int64_t at = 0; at < output.matched && !output.failed; at += kBlockSize) {
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(kBlockSize, output.matched - at));
    output.failed = ReadPlatformFileAt(output.sheet, at, gSheetBlock, count) != count;
    Write(output, gSheetBlock, static_cast<size_t>(count));
  }
}

// Compares the pending bytes with the sheet while they still match, and
// keeps them in the new file from the first block that differs.
void Settle(SheetOutput& output) {
  if (!output.differs) {
    if (PendingMatchesSheet(output)) {
      output.matched += static_cast<int64_t>(output.pending.size());
      output.pending.clear();
      return;
    }
    output.differs = true;
  }
  if (output.newFile == kNoPlatformFile && !output.failed && !output.sheetChanged) {
    StartNewFile(output);
  }
  if (!output.sheetChanged) Write(output, output.pending.data(), output.pending.size());
  output.pending.clear();
}

void LetGo(SheetOutput& output) {
  if (output.sheet != kNoPlatformFile) ClosePlatformFile(output.sheet);
  output.sheet = kNoPlatformFile;
  if (output.hold != 0) LetGoOfFolder(output.hold);
  output.hold = 0;
}

}  // namespace

void AppendToSheetOutput(SheetOutput& output, const char* bytes, size_t count) {
  if (output.preview != nullptr) {
    output.preview->append(bytes, count);
    return;
  }
  // A block at most is ever pending, however long the line written.
  while (count > 0) {
    const size_t piece = std::min(count, kBlockSize - output.pending.size());
    output.pending.append(bytes, piece);
    bytes += piece;
    count -= piece;
    if (output.pending.size() == kBlockSize) Settle(output);
  }
}

SheetPut PutSheetOutputInPlace(SheetOutput& output) {
  if (!output.differs && PendingMatchesSheet(output) &&
      output.matched + static_cast<int64_t>(output.pending.size()) == output.stamp.size) {
    LetGo(output);
    return SheetPut::Unchanged;
  }
  output.differs = true;
  Settle(output);
  if (output.sheetChanged || output.failed) {
    const bool failed = !output.sheetChanged;
    DropSheetOutput(output);
    return failed ? SheetPut::FileSystemFailed : SheetPut::LeftAlone;
  }
  const PutOutcome outcome =
      PutNewSheetInPlace(output.sheetPath, output.newFile, output.sheet, output.stamp,
                         output.keepBackup, output.backupPath);
  output.newFile = kNoPlatformFile;
  output.sheet = kNoPlatformFile;
  LetGo(output);
  switch (outcome) {
    case PutOutcome::Done:
      return SheetPut::Replaced;
    case PutOutcome::SheetChanged:
      return SheetPut::LeftAlone;
    case PutOutcome::Failed:
      break;
  }
  return SheetPut::FileSystemFailed;
}

void DropSheetOutput(SheetOutput& output) {
  if (output.newFile != kNoPlatformFile) RemoveNewSheetFile(output.sheetPath, output.newFile);
  output.newFile = kNoPlatformFile;
  output.pending.clear();
  LetGo(output);
}
