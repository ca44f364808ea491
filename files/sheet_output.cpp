#include "files/sheet_output.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "files/sheet_restore.h"
#include "text/utf8.h"

namespace {

struct SheetOutput {
  SheetOutputHandle handle = 0;
  Text sheetPath;
  FolderHold hold = 0;  // the sheet's folder, for as long as the output lives
  PlatformFile sheet = kNoPlatformFile;  // held throughout; none for a sheet still to be made
  SheetStamp stamp;
  bool keepBackup = false;  // the sheet's content has no backup yet
  int64_t matched = 0;      // leading bytes equal to the sheet's own, kept nowhere
  std::string pending;      // bytes not compared or kept yet
  bool differs = false;
  PlatformFile newFile = kNoPlatformFile;  // made once the content outgrows memory
  bool failed = false;  // the new file refused bytes, or could not be made
  SheetPut refusal = SheetPut::FileSystemFailed;  // what a failure ends the put as
  bool sheetChanged = false;  // someone else put another file at the sheet's name
  // A preview: every byte gathers here, none is compared or written.
  std::string* preview = nullptr;
};

// The open outputs. A run has one at a time; a short vector beats any map.
// Their handles count down from -1, so that a line reader's handle given
// by mistake names no output.
std::vector<SheetOutput> gOutputs;
SheetOutputHandle gLastHandle = 0;

// Made only where a put or a restore needs it: a sweep's rerun never does.
Text BackupPathOf(const SheetOutput& output) { return output.sheetPath + u".bak"; }

SheetOutput* Find(SheetOutputHandle handle) {
  for (SheetOutput& output : gOutputs) {
    if (output.handle == handle) return &output;
  }
  return nullptr;
}

// Bytes compared, or written, at a time.
constexpr size_t kBlockSize = 64 * 1024;

// The room of the last output's pending bytes, handed to the next output,
// so that a sweep does not grow a new one for every sheet.
std::string gSparePending;

// Code units encoded at a time when a line is written.
constexpr size_t kEncodedPiece = 16 * 1024;

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
  const Opening made = CreateNewSheetFile(output.sheetPath,
                                          output.sheet != kNoPlatformFile ? &output.stamp : nullptr,
                                          &output.newFile);
  // Another run put its new sheet in place since this one opened the sheet.
  if (made == Opening::HeldElsewhere) {
    output.sheetChanged = true;
    return;
  }
  output.failed = made != Opening::Opened;
  // A folder or a name too long where the new file should be is this
  // sheet's trouble alone; a full or read-only disk is every sheet's.
  if (output.failed && made != Opening::FileSystemRefused) output.refusal = SheetPut::Refused;
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
  output.pending.clear();
  gSparePending.swap(output.pending);
  if (output.sheet != kNoPlatformFile) ClosePlatformFile(output.sheet);
  output.sheet = kNoPlatformFile;
  if (output.hold != 0) LetGoOfFolder(output.hold);
  output.hold = 0;
}

void Append(SheetOutput& output, const char* bytes, size_t count) {
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

void Drop(SheetOutput& output) {
  if (output.newFile != kNoPlatformFile) RemoveNewSheetFile(output.sheetPath, output.newFile);
  output.newFile = kNoPlatformFile;
  LetGo(output);
}

SheetPut Put(SheetOutput& output) {
  // A new length differs without a byte read back.
  if (!output.differs &&
      output.matched + static_cast<int64_t>(output.pending.size()) == output.stamp.size &&
      PendingMatchesSheet(output)) {
    LetGo(output);
    return SheetPut::Unchanged;
  }
  output.differs = true;
  Settle(output);
  if (output.sheetChanged || output.failed) {
    Drop(output);
    return output.sheetChanged ? SheetPut::LeftAlone : output.refusal;
  }
  const SheetPut put =
      PutNewSheetFileInPlace(output.sheetPath, output.newFile, output.sheet, output.stamp,
                             output.keepBackup, BackupPathOf(output));
  output.newFile = kNoPlatformFile;
  output.sheet = kNoPlatformFile;
  LetGo(output);
  return put;
}

// Takes the output out of the table, for its last use.
SheetOutput Take(SheetOutputHandle handle) {
  for (auto it = gOutputs.begin(); it != gOutputs.end(); ++it) {
    if (it->handle != handle) continue;
    SheetOutput output = std::move(*it);
    gOutputs.erase(it);
    return output;
  }
  return SheetOutput();
}

// Encodes text onto the output, piece by piece, with the line end in the
// last piece: a short line is one append.
void AppendEncoded(SheetOutputHandle handle, TextView text, bool endsLine) {
  SheetOutput* output = Find(handle);
  if (output == nullptr) return;
  static char encoded[3 * kEncodedPiece + 2];
  size_t at = 0;
  do {
    size_t count = std::min(kEncodedPiece, text.size() - at);
    // A surrogate pair is never split between two pieces.
    const char16_t last = count > 0 ? text[at + count - 1] : u'\0';
    if (at + count < text.size() && last >= 0xD800 && last <= 0xDBFF) --count;
    char* end = EncodeUtf8Into(text.data() + at, count, encoded);
    at += count;
    if (at == text.size() && endsLine) {
      *end++ = '\r';
      *end++ = '\n';
    }
    Append(*output, encoded, static_cast<size_t>(end - encoded));
  } while (at < text.size());
}

}  // namespace

SheetOutputHandle StartSheetOutput(const Text& sheetPath, FolderHold hold, PlatformFile sheet,
                                   const SheetStamp& stamp, bool keepBackup) {
  SheetOutput output;
  output.handle = --gLastHandle;
  output.sheetPath = sheetPath;
  output.hold = hold;
  output.sheet = sheet;
  output.stamp = stamp;
  output.keepBackup = keepBackup;
  output.pending.swap(gSparePending);
  gOutputs.push_back(std::move(output));
  return gLastHandle;
}

void WriteSheetText(SheetOutputHandle handle, TextView text) { AppendEncoded(handle, text, false); }

void WriteSheetLine(SheetOutputHandle handle, TextView text) { AppendEncoded(handle, text, true); }

SheetPut PutSheetInPlace(SheetOutputHandle handle) {
  if (Find(handle) == nullptr) return SheetPut::LeftAlone;
  SheetOutput output = Take(handle);
  return Put(output);
}

void DropSheetOutput(SheetOutputHandle handle) {
  if (Find(handle) == nullptr) return;
  SheetOutput output = Take(handle);
  Drop(output);
}

void DropAllSheetOutputs() {
  while (!gOutputs.empty()) DropSheetOutput(gOutputs.back().handle);
}

void PreviewSheetOutput(SheetOutputHandle handle, std::string* bytes) {
  SheetOutput* output = Find(handle);
  if (output != nullptr) output->preview = bytes;
}

std::string HeldSheetBytes(SheetOutputHandle handle) {
  const SheetOutput* output = Find(handle);
  std::string bytes;
  if (output == nullptr || output->sheet == kNoPlatformFile) return bytes;
  bytes.resize(static_cast<size_t>(output->stamp.size));
  for (size_t at = 0; at < bytes.size();) {
    const int32_t count = static_cast<int32_t>(std::min<size_t>(bytes.size() - at, 1 << 20));
    const int32_t got =
        ReadPlatformFileAt(output->sheet, static_cast<int64_t>(at), &bytes[at], count);
    at += static_cast<size_t>(got);
    if (got < count) bytes.resize(at);
  }
  return bytes;
}

bool RepairsFromBackup(SheetOutputHandle handle) {
  const SheetOutput* output = Find(handle);
  return output != nullptr && !output->keepBackup;
}

bool BackupIsTheSheet(SheetOutputHandle handle) {
  const SheetOutput* output = Find(handle);
  return output != nullptr && output->sheet != kNoPlatformFile &&
         IsFileAt(BackupPathOf(*output), output->stamp);
}

SheetPut PutBackupInPlace(SheetOutputHandle handle) {
  if (Find(handle) == nullptr) return SheetPut::LeftAlone;
  SheetOutput output = Take(handle);
  const SheetPut put =
      RenameBackupOverSheet(output.sheetPath, BackupPathOf(output), output.sheet, output.stamp);
  output.sheet = kNoPlatformFile;  // closed there
  Drop(output);
  return put;
}
