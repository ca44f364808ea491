#include "app/create_cue_for_image.h"

#include "app/run_state.h"
#include "files/file_start.h"
#include "files/sheet_repair.h"
#include "text/string_helpers.h"

namespace {

// A raw 2352-byte sector begins with 00, ten FF, 00; its mode byte follows
// the three address bytes after that.
const std::string kSectorSync("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
constexpr size_t kModeByteOffset = 15;

// The ISO 9660 volume descriptor of sector 16 of a 2048-byte-sector image
// names its standard at byte 1.
constexpr size_t kIsoStandardOffset = 16 * 2048 + 1;
const std::string kIsoStandard = "CD001";

constexpr int32_t kBytesLookedAt = 40 * 1024;

}  // namespace

Text TrackModeOf(const std::string& imageStart) {
  const bool synced = imageStart.compare(0, kSectorSync.size(), kSectorSync) == 0;
  if (!synced && imageStart.size() >= kIsoStandardOffset + kIsoStandard.size() &&
      imageStart.compare(kIsoStandardOffset, kIsoStandard.size(), kIsoStandard) == 0) {
    return u"MODE1/2048";
  }
  if (synced && imageStart.size() > kModeByteOffset && imageStart[kModeByteOffset] == 1) {
    return u"MODE1/2352";
  }
  return u"MODE2/2352";
}

SheetPut CreateCueForImage(const Text& imagePath) {
  gRun.newCuePath = FolderOf(imagePath) + FileNameOf(imagePath, NoExtension) + u".cue";
  // A sheet with content, a link or a folder of that name is never touched.
  gRun.outputFile = CreateSheet(gRun.newCuePath);
  if (gRun.outputFile == 0) return SheetPut::LeftAlone;

  // Most images are raw; only what the image's own first bytes prove
  // changes the mode. A typed name with no image behind it still gets its sheet.
  const Text mode = TrackModeOf(ReadFileStart(imagePath, kBytesLookedAt));
  WriteSheetLine(gRun.outputFile, u"FILE \"" + FileNameOf(imagePath) + u"\" BINARY");
  WriteSheetLine(gRun.outputFile, u"  TRACK 01 " + mode);
  WriteSheetLine(gRun.outputFile, u"    INDEX 01 00:00:00");
  const SheetPut put = PutSheetInPlace(gRun.outputFile);
  gRun.outputFile = 0;
  return put;
}
