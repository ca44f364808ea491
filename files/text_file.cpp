#include "files/text_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/utf8.h"

int32_t gTextBufferSize = 64 * 1024;

namespace {

struct TextFile {
  // A file read here is never written by this run, so a read that comes
  // up short found its end, and no read confirms it.
  PlatformFile platformFile = kNoPlatformFile;
  bool closeWithHandle = true;
  char* buffer = nullptr;  // bufferSize bytes of read-ahead
  int32_t bufferSize = 0;
  int32_t filled = 0;      // bytes the last read left in the buffer
  int32_t pending = 0;     // the last of those not consumed yet
  int64_t readUpTo = 0;    // where in the file the buffer's filled part ends
  bool endReached = false;
};

struct OpenTextFile {
  FileHandle handle;
  TextFile file;
};

// The open readers. A run holds two at most, so a short vector searched
// from the back beats any map.
std::vector<OpenTextFile> gTextFiles;
FileHandle gLastHandle = 0;

// A line longer than this is measured before it is read on, so that its
// text is made once at its full size rather than grown by doubling.
constexpr size_t kLongLine = 64 * 1024;

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

const char* Unconsumed(const TextFile& file) { return file.buffer + file.filled - file.pending; }

// Reads on after the bytes not consumed yet (at most a character cut by
// the last read), which move to the buffer's start. False at the end.
bool Refill(TextFile& file) {
  if (file.endReached) return false;
  std::memmove(file.buffer, Unconsumed(file), static_cast<size_t>(file.pending));
  const int32_t room = file.bufferSize - file.pending;
  const int32_t got = ReadPlatformFile(file.platformFile, file.buffer + file.pending, room);
  file.readUpTo += got;
  file.filled = file.pending + got;
  file.pending = file.filled;
  file.endReached = got < room;
  return got > 0;
}

// Where the first line end (LF, CR or NUL) lies in bytes, or count. Eight
// bytes are passed over at a time while none of them is below 0x0E.
size_t LineEndIn(const char* bytes, size_t count) {
  size_t at = 0;
  while (at + 8 <= count) {
    uint64_t eight;
    std::memcpy(&eight, bytes + at, 8);
    if (((eight - 0x0E0E0E0E0E0E0E0Eull) & ~eight & 0x8080808080808080ull) != 0) break;
    at += 8;
  }
  for (; at < count; ++at) {
    const unsigned char byte = static_cast<unsigned char>(bytes[at]);
    if (byte <= 0x0D && (byte == 0x0A || byte == 0x0D || byte == 0x00)) return at;
  }
  return count;
}

// How many bytes of the line remain in the file past the read-ahead, read
// ahead without moving the file's position.
int64_t BytesLeftOfLine(const TextFile& file) {
  static char ahead[64 * 1024];
  int64_t counted = 0;
  if (file.endReached) return 0;
  while (true) {
    const int32_t got =
        ReadPlatformFileAt(file.platformFile, file.readUpTo + counted, ahead, sizeof ahead);
    const size_t end = LineEndIn(ahead, static_cast<size_t>(got));
    counted += static_cast<int64_t>(end);
    if (end < static_cast<size_t>(got) || got < static_cast<int32_t>(sizeof ahead)) return counted;
  }
}

}  // namespace

void InitTextFiles() {
  gTextFiles.clear();
  gTextFiles.reserve(4);
}

FileHandle OpenLineReader(PlatformFile platformFile, bool closeWithHandle) {
  if (platformFile == kNoPlatformFile) return 0;
  TextFile file;
  file.bufferSize = gTextBufferSize < 4 ? 4 : gTextBufferSize;
  file.buffer = static_cast<char*>(std::malloc(static_cast<size_t>(file.bufferSize)));
  if (file.buffer == nullptr) {
    if (closeWithHandle) ClosePlatformFile(platformFile);
    return 0;
  }
  file.platformFile = platformFile;
  file.closeWithHandle = closeWithHandle;
  return Add(file);
}

bool AtEnd(FileHandle handle) {
  TextFile* file = Find(handle);
  if (file == nullptr) return false;
  return file->pending == 0 && !Refill(*file);
}

void ReadLineInto(FileHandle handle, Text* line) {
  line->clear();
  TextFile* file = Find(handle);
  if (file == nullptr) return;
  bool measured = false;
  while (file->pending > 0 || Refill(*file)) {
    const char* bytes = Unconsumed(*file);
    const size_t available = static_cast<size_t>(file->pending);
    const size_t end = LineEndIn(bytes, available);
    if (end < available) {
      AppendUtf8KeepingBytes(line, bytes, end);
      file->pending -= static_cast<int32_t>(end + 1);
      // CR LF is one line end: the LF is taken with the CR.
      if (bytes[end] == '\r' && (file->pending > 0 || Refill(*file)) && *Unconsumed(*file) == '\n') {
        --file->pending;
      }
      return;
    }
    if (!measured && line->size() + available > kLongLine) {
      line->reserve(line->size() + available + static_cast<size_t>(BytesLeftOfLine(*file)));
      measured = true;
    }
    // A character cut by the end of the read-ahead is read whole with the
    // next part; at the end of the file its bytes stand for themselves.
    const size_t cut = file->endReached ? 0 : Utf8IncompleteTail(bytes, available);
    AppendUtf8KeepingBytes(line, bytes, available - cut);
    file->pending = static_cast<int32_t>(cut);
    if (cut > 0 && !Refill(*file)) {
      AppendUtf8KeepingBytes(line, Unconsumed(*file), static_cast<size_t>(file->pending));
      file->pending = 0;
    }
  }
}

void CloseTextFile(FileHandle handle) {
  for (auto it = gTextFiles.begin(); it != gTextFiles.end(); ++it) {
    if (it->handle != handle) continue;
    const TextFile file = it->file;
    gTextFiles.erase(it);
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
