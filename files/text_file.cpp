#include "files/text_file.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/line_codec.h"
#include "files/sheet_output.h"
#include "text/utf8.h"

namespace {

struct TextFile {
  // Reading.
  PlatformFile platformFile = kNoPlatformFile;
  bool closeWithHandle = true;
  unsigned char* buffer = nullptr;  // none: every read goes straight through
  int32_t bufferSize = 0;
  int32_t pending = 0;  // read-ahead bytes not consumed yet
  int32_t filled = 0;   // bytes the last refill placed in the buffer
  // A file opened for reading is never written by this run, so a refill
  // that came up short found its end, and no read needs to confirm it.
  bool endReached = false;
  // Writing: the sheet's new content the lines go to.
  SheetOutput* output = nullptr;
};

struct OpenTextFile {
  FileHandle handle;
  TextFile file;
};

// The open files. A run holds two at most, so a short vector searched
// from the back beats any map.
std::vector<OpenTextFile> gTextFiles;
FileHandle gLastHandle = 0;

// The bytes of the line being read, kept from line to line so that a line
// costs no allocation of its own; one grown by a very long line is let go.
std::string gLineBytes;
constexpr size_t kLineBytesKept = 16 * kTextBufferSize;

TextFile* Find(FileHandle handle) {
  if (handle == 0) return nullptr;
  for (auto it = gTextFiles.rbegin(); it != gTextFiles.rend(); ++it) {
    if (it->handle == handle) return &it->file;
  }
  return nullptr;
}

FileHandle Add(const TextFile& file) {
  gTextFiles.push_back({++gLastHandle, file});
  return gLastHandle;
}

// Takes up to count bytes through the read-ahead buffer; fewer only at the
// end of the file (or on a read error, which looks the same).
int32_t TakeBytes(TextFile& file, unsigned char* into, int32_t count) {
  if (file.output != nullptr) return 0;
  if (file.buffer == nullptr) return ReadPlatformFile(file.platformFile, into, count);
  if (file.pending >= count) {
    std::memcpy(into, file.buffer + file.filled - file.pending, static_cast<size_t>(count));
    file.pending -= count;
    return count;
  }
  int32_t delivered = file.pending;
  std::memcpy(into, file.buffer + file.filled - file.pending, static_cast<size_t>(delivered));
  file.pending = 0;
  const int32_t missing = count - delivered;
  if (file.endReached) return delivered;
  if (missing >= file.bufferSize) {
    return delivered + ReadPlatformFile(file.platformFile, into + delivered, missing);
  }
  file.filled = ReadPlatformFile(file.platformFile, file.buffer, file.bufferSize);
  file.pending = file.filled;
  file.endReached = file.filled < file.bufferSize;
  const int32_t copied = missing < file.filled ? missing : file.filled;
  std::memcpy(into + delivered, file.buffer, static_cast<size_t>(copied));
  file.pending -= copied;
  return delivered + copied;
}

// Puts back the one byte just taken.
void PutBackByte(TextFile& file) {
  if (file.buffer != nullptr) {
    ++file.pending;
  } else {
    MovePlatformFilePosition(file.platformFile, -1);
  }
}

enum class CharResult { Character, EndOfFile };

// Reads one UTF-8 character into bytes/length. A byte that cannot start a
// character reads as "?". A sequence stops early at the first byte that is
// not a continuation byte, and that byte starts the next character, so an
// accented Latin-1 letter never swallows the line end after it. A sequence
// cut short by the end of the file is dropped. Whatever is taken but is no
// well-formed character becomes U+FFFD here, so the decoder only ever sees
// valid UTF-8 and every platform's decoder reads it alike.
CharResult ReadCharacter(TextFile& file, unsigned char* bytes, int32_t* length) {
  *length = 0;
  if (TakeBytes(file, bytes, 1) != 1) return CharResult::EndOfFile;
  const unsigned char lead = bytes[0];
  *length = 1;
  if (lead < 0x80) return CharResult::Character;
  int32_t trail = 0;
  if ((lead & 0xE0) == 0xC0) {
    trail = 1;
  } else if ((lead & 0xF0) == 0xE0) {
    trail = 2;
  } else if ((lead & 0xF8) == 0xF0) {
    trail = 3;
  } else {
    bytes[0] = '?';
    return CharResult::Character;
  }
  for (int32_t i = 0; i < trail; ++i) {
    if (TakeBytes(file, bytes + *length, 1) != 1) {
      *length = 0;
      return CharResult::EndOfFile;
    }
    if ((bytes[*length] & 0xC0) != 0x80) {
      PutBackByte(file);
      break;
    }
    ++*length;
  }
  if (!IsWellFormedCharacter(bytes, static_cast<size_t>(*length))) {
    static const unsigned char kReplacement[] = {0xEF, 0xBF, 0xBD};
    std::memcpy(bytes, kReplacement, sizeof kReplacement);
    *length = sizeof kReplacement;
  }
  return CharResult::Character;
}

}  // namespace

void InitTextFiles() {
  gTextFiles.clear();
  gTextFiles.reserve(4);
}

FileHandle AddTextReader(PlatformFile platformFile, bool closeWithHandle) {
  if (platformFile == kNoPlatformFile) return 0;
  TextFile file;
  file.platformFile = platformFile;
  file.closeWithHandle = closeWithHandle;
  file.bufferSize = kTextBufferSize;
  file.buffer = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(file.bufferSize)));
  return Add(file);
}

FileHandle OpenTextForReading(const Text& path) {
  return AddTextReader(OpenPlatformFileForReading(path), true);
}

FileHandle AddTextOutput(SheetOutput* output) {
  TextFile file;
  file.output = output;
  return Add(file);
}

SheetOutput* TakeTextOutput(FileHandle handle) {
  for (auto it = gTextFiles.begin(); it != gTextFiles.end(); ++it) {
    if (it->handle != handle || it->file.output == nullptr) continue;
    SheetOutput* output = it->file.output;
    gTextFiles.erase(it);
    return output;
  }
  return nullptr;
}

bool AtEnd(FileHandle handle) {
  TextFile* file = Find(handle);
  if (file == nullptr) return false;
  unsigned char byte;
  if (TakeBytes(*file, &byte, 1) != 1) return true;
  PutBackByte(*file);
  return false;
}

Text ReadLine(FileHandle handle) {
  TextFile* file = Find(handle);
  if (file == nullptr) return Text();
  if (gLineBytes.capacity() > kLineBytesKept) std::string().swap(gLineBytes);
  std::string& bytes = gLineBytes;
  bytes.clear();
  bytes.reserve(kTextBufferSize);
  unsigned char character[4];
  int32_t length = 0;
  while (true) {
    // Plain ASCII, short of a line end or NUL, goes across in runs straight
    // from the read-ahead; everything else is read a character at a time.
    if (file->buffer != nullptr) {
      const unsigned char* from = file->buffer + file->filled - file->pending;
      int32_t run = 0;
      while (run < file->pending && from[run] < 0x80 && from[run] != 0x00 && from[run] != 0x0A &&
             from[run] != 0x0D) {
        ++run;
      }
      bytes.append(reinterpret_cast<const char*>(from), static_cast<size_t>(run));
      file->pending -= run;
    }
    if (ReadCharacter(*file, character, &length) != CharResult::Character) break;
    const unsigned char first = character[0];
    if (length == 1 && (first == 0x00 || first == 0x0A)) break;
    if (length == 1 && first == 0x0D) {
      unsigned char next;
      if (TakeBytes(*file, &next, 1) == 1 && next != 0x0A) PutBackByte(*file);
      break;
    }
    bytes.append(reinterpret_cast<const char*>(character), static_cast<size_t>(length));
  }
  return DecodeLineBytes(bytes.data(), bytes.size());
}

void WriteLine(FileHandle handle, const Text& text) {
  TextFile* file = Find(handle);
  if (file == nullptr || file->output == nullptr) return;
  const std::string bytes = EncodeLineText(text);
  AppendToSheetOutput(*file->output, bytes.data(), bytes.size());
  AppendToSheetOutput(*file->output, "\r\n", 2);
}

void CloseTextFile(FileHandle handle) {
  for (auto it = gTextFiles.begin(); it != gTextFiles.end(); ++it) {
    if (it->handle != handle) continue;
    TextFile file = it->file;
    gTextFiles.erase(it);
    if (file.output != nullptr) {
      DropSheetOutput(*file.output);
      delete file.output;
    }
    std::free(file.buffer);
    if (file.platformFile != kNoPlatformFile && file.closeWithHandle) {
      ClosePlatformFile(file.platformFile);
    }
    return;
  }
}

void CloseAllTextFiles() {
  while (!gTextFiles.empty()) CloseTextFile(gTextFiles.back().handle);
}
