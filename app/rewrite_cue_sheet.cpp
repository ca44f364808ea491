#include "app/rewrite_cue_sheet.h"

#include <vector>

#include "app/cue_file_line.h"
#include "app/end_run.h"
#include "files/sheet_repair.h"
#include "files/spelling_on_disk.h"
#include "files/text_file.h"
#include "text/blank_fields.h"
#include "text/string_helpers.h"
#include "text/timestamp.h"
#include "ui/file_dialog.h"

namespace {

// What the rewrite knows of the file and track it is in.
struct TrackState {
  bool hasPregap = false;  // a PREGAP or INDEX 00 line came since the TRACK line
  bool isAudio = false;    // the TRACK line's type is AUDIO, in any letter case
  Text lastIndexTime;      // the last MM:SS:FF time of an INDEX line written since the FILE line
};

const Text kKeptKeywords[] = {u"FILE", u"TRACK", u"PREGAP", u"POSTGAP", u"FLAGS", u"INDEX"};

// The keyword as the repaired sheet writes it, or "" for a line it drops.
Text KeptKeyword(const Text& word) {
  for (const Text& keyword : kKeptKeywords) {
    if (EqualIgnoringAsciiCase(word, keyword)) return keyword;
  }
  return Text();
}

// The line as a repaired sheet keeps it: the keyword in upper case, one
// space between fields, each field otherwise as written.
Text KeptLine(const Text& keyword, const std::vector<Text>& fields) {
  Text line = keyword;
  for (size_t i = 1; i < fields.size(); ++i) line += u" " + fields[i];
  return line;
}

Text FieldOrEmpty(const std::vector<Text>& fields, size_t index) {
  return index < fields.size() ? fields[index] : Text();
}

// The name the FILE line should carry: the named file if it is in the
// sheet's folder, else the name with the first suffix that finds one, else
// whatever the user picks (only its bare name is written).
Text ResolveImageName(const Text& sheetFolder, const Text& imageName) {
  Text found = SpellingOnDisk(sheetFolder, imageName);
  for (const Text& suffix : kImageSuffixes) {
    if (!found.empty()) break;
    found = SpellingOnDisk(sheetFolder, imageName + suffix);
  }
  if (!found.empty()) return found;
  return FileNameOf(ChooseFileToOpen(u"Brindlet - Can't find Binary", sheetFolder + imageName,
                                     u"bin|*.bin;*.iso;*.img|all|*.*", 0));
}

bool IsDigits(const Text& text, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
  }
  return true;
}

// MM:SS:FF with two digits each and seconds below 60. Two such texts
// compare as their times do.
bool IsIndexTime(const Text& time) {
  return time.size() == 8 && time[2] == u':' && time[5] == u':' && IsDigits(time, 0, 2) &&
         IsDigits(time, 3, 2) && IsDigits(time, 6, 2) && time[3] <= u'5';
}

Text TwoDigits(timestamp value) {
  return {static_cast<char16_t>(u'0' + value / 10), static_cast<char16_t>(u'0' + value % 10)};
}

// Minutes and seconds as the time facility writes them; it knows no minute
// past 59, and CD times run to 99:59.
Text FormatMinutesSeconds(timestamp seconds) {
  if (seconds < 3600) return FormatTimestamp(u"%ii:%ss", seconds);
  return TwoDigits(seconds / 60) + u":" + TwoDigits(seconds % 60);
}

void WriteIndexLine(FileHandle sheet, const std::vector<Text>& fields, TrackState& track) {
  const Text number = FieldOrEmpty(fields, 1);
  const Text time = FieldOrEmpty(fields, 2);
  Text index00, index01;
  if (StringsEqual(number, u"00")) {
    track.hasPregap = true;
  } else if (StringsEqual(number, u"01") && track.isAudio && !track.hasPregap &&
             ShiftedIndexTimes(time, &index00, &index01)) {
    // Players start an audio track at INDEX 01; without a gap before it
    // some of them clip its first moments. A gap reaching back to an index
    // already written would put the file's indexes out of order, which
    // readers refuse, so short tracks go without one.
    if (track.lastIndexTime.empty() || index00 > track.lastIndexTime) {
      WriteLine(sheet, u"    INDEX 00 " + index00);
    }
    WriteLine(sheet, u"    INDEX 01 " + index01);
    track.lastIndexTime = index01;
    return;
  }
  WriteLine(sheet, u"    " + KeptLine(u"INDEX", fields));
  if (IsIndexTime(time)) track.lastIndexTime = time;
}

void WriteLineFor(FileHandle sheet, const Text& line, const Text& sheetFolder, TrackState& track) {
  const std::vector<Text> fields = BlankSeparatedFields(line);
  if (fields.empty()) return;
  const Text keyword = KeptKeyword(fields[0]);
  if (StringsEqual(keyword, u"FILE")) {
    const FileLineParts parts = ReadFileLine(line);
    const Text imageName = ResolveImageName(sheetFolder, BareImageName(parts.name));
    WriteLine(sheet, u"FILE \"" + imageName + u"\" " + FileTypeToWrite(parts.type, imageName));
    // Index times count from the start of each file.
    track.lastIndexTime.clear();
  } else if (StringsEqual(keyword, u"TRACK")) {
    WriteLine(sheet, u"  " + KeptLine(keyword, fields));
    track.hasPregap = false;
    track.isAudio = EqualIgnoringAsciiCase(FieldOrEmpty(fields, 2), u"AUDIO");
  } else if (StringsEqual(keyword, u"PREGAP") || StringsEqual(keyword, u"POSTGAP") ||
             StringsEqual(keyword, u"FLAGS")) {
    WriteLine(sheet, u"    " + KeptLine(keyword, fields));
    if (StringsEqual(keyword, u"PREGAP")) track.hasPregap = true;
  } else if (StringsEqual(keyword, u"INDEX")) {
    WriteIndexLine(sheet, fields, track);
  }
}

}  // namespace

bool ShiftedIndexTimes(const Text& time, Text* index00, Text* index01) {
  if (!IsIndexTime(time)) return false;
  const timestamp minutes = (time[0] - u'0') * 10 + (time[1] - u'0');
  const timestamp value = minutes < 60 ? ParseTimestamp(u"%ii:%ss", LeftOf(time, 5))
                                       : minutes * 60 + (time[3] - u'0') * 10 + (time[4] - u'0');
  const timestamp earlier = value >= 2 ? value - 2 : 0;
  *index00 = FormatMinutesSeconds(earlier) + RightOf(time, 3);
  *index01 = FormatMinutesSeconds(value) + RightOf(time, 3);
  return true;
}

void RewriteCueSheet(const Text& sheetPath) {
  // The first backup is the sheet as the user had it; it is never replaced,
  // so every later run rebuilds from that same original. The sheet on disk
  // keeps its old bytes until the new ones are complete, every image found
  // and every question answered, and then changes in one step.
  const SheetRepair repair = OpenSheetForRepair(sheetPath);
  if (repair.opening == SheetOpening::NoBackup) EndRun();
  if (repair.opening != SheetOpening::Ready) return;
  const Text sheetFolder = FolderOf(sheetPath);
  ForgetSpellingsOnDisk();

  TrackState track;
  bool firstLine = true;
  while (!AtEnd(repair.source)) {
    Text line = ReadLine(repair.source);
    // Notepad starts a UTF-8 file with a byte-order mark; left there it
    // would hide the keyword of the first line, usually the only FILE line.
    if (firstLine && !line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
    firstLine = false;
    WriteLineFor(repair.output, TrimSpaces(line), sheetFolder, track);
  }
  CloseTextFile(repair.source);
  // A file system that refuses the new sheet or its backup will refuse the
  // next sheet's too: the run ends, every sheet as it was or repaired.
  if (PutSheetInPlace(repair.output) == SheetPut::FileSystemFailed) EndRun();
}
