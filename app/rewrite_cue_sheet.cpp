#include "app/rewrite_cue_sheet.h"

#include <algorithm>

#include "app/cue_file_line.h"
#include "app/end_run.h"
#include "app/image_lookup.h"
#include "app/passed_over.h"
#include "files/sheet_repair.h"
#include "text/blank_fields.h"
#include "text/string_helpers.h"
#include "ui/file_dialog.h"

namespace {

// What the rewrite knows of the file and track it is in.
struct TrackState {
  bool hasPregap = false;  // a PREGAP or INDEX 00 line came since the TRACK line
  bool isAudio = false;    // the TRACK line's type is AUDIO, in any letter case
  Text lastIndexTime;      // the last MM:SS:FF time of an INDEX line written since the FILE line
  // A question about a missing image could not be asked at all: the sheet
  // is left as it was, rather than given a FILE line naming nothing.
  bool questionFailed = false;
};

// The lines a repaired sheet keeps, by their first word in any letter
// case; every other line is dropped.
enum class Kept { Nothing, File, Track, Pregap, Postgap, Flags, Index, Layout };

struct KeptKeyword {
  TextView word;  // as the repaired sheet writes it
  Kept kind;
};

constexpr KeptKeyword kKeptKeywords[] = {
    {u"FILE", Kept::File},       {u"TRACK", Kept::Track}, {u"PREGAP", Kept::Pregap},
    {u"POSTGAP", Kept::Postgap}, {u"FLAGS", Kept::Flags}, {u"INDEX", Kept::Index},
};

constexpr TextView kRemark = u"REM";

// The REM lines that say where a disc's sessions and areas lie: readers
// build multi-session and GD-ROM images from them, so they are kept.
constexpr TextView kLayoutMarks[] = {u"SESSION", u"LEAD-IN", u"LEAD-OUT", u"SINGLE-DENSITY",
                                     u"HIGH-DENSITY"};

// What a line with this first word is kept as; rest is what follows it.
KeptKeyword KeptAs(TextView word, TextView rest) {
  for (const KeptKeyword& keyword : kKeptKeywords) {
    if (EqualIgnoringAsciiCase(word, keyword.word)) return keyword;
  }
  if (EqualIgnoringAsciiCase(word, kRemark)) {
    const TextView mark = BlankSeparatedField(rest, 0);
    for (const TextView layoutMark : kLayoutMarks) {
      if (EqualIgnoringAsciiCase(mark, layoutMark)) return {kRemark, Kept::Layout};
    }
  }
  return {TextView(), Kept::Nothing};
}

// Writes a line as a repaired sheet keeps it: the indentation, the keyword
// in upper case, then the fields of rest (which has no blanks at its ends)
// one space apart, each as written. The line is gathered in one pass and
// goes out in one piece; a very long one goes out in pieces, never copied
// whole.
void WriteKeptLine(SheetOutputHandle sheet, TextView indentation, TextView keyword, TextView rest) {
  constexpr size_t kPiece = 32 * 1024;
  static Text gathered(kPiece + 64, u'\0');
  char16_t* const start = &gathered[0];
  char16_t* to = std::copy(indentation.begin(), indentation.end(), start);
  to = std::copy(keyword.begin(), keyword.end(), to);
  if (!rest.empty()) *to++ = u' ';
  bool afterBlank = false;
  for (size_t at = 0; at < rest.size();) {
    const size_t count = std::min(rest.size() - at, kPiece - static_cast<size_t>(to - start));
    for (const char16_t c : rest.substr(at, count)) {
      const bool blank = c == u' ' || c == u'\t';
      if (!blank || !afterBlank) *to++ = blank ? u' ' : c;
      afterBlank = blank;
    }
    at += count;
    if (static_cast<size_t>(to - start) == kPiece) {
      WriteSheetText(sheet, TextView(start, kPiece));
      to = start;
    }
  }
  WriteSheetLine(sheet, TextView(start, static_cast<size_t>(to - start)));
}

// The name the FILE line should carry: the image the name finds in the
// sheet's folder, else whatever the user picks (only its bare name is
// written).
Text ResolveImageName(const Text& sheetFolder, TextView writtenName, TrackState& track) {
  Text found = FindImage(sheetFolder, writtenName);
  if (!found.empty()) return found;
  const Text picked = ChooseFileToOpen(u"Brindlet - Can't find Binary",
                                       sheetFolder + Text(BareImageName(writtenName)),
                                       u"bin|*.bin;*.iso;*.img|all|*.*", 0);
  track.questionFailed = LastDialogFailed();
  return FileNameOf(picked);
}

bool IsDigits(TextView text, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
  }
  return true;
}

// MM:SS:FF with two digits each and seconds below 60. Two such texts
// compare as their times do.
bool IsIndexTime(TextView time) {
  return time.size() == 8 && time[2] == u':' && time[5] == u':' && IsDigits(time, 0, 2) &&
         IsDigits(time, 3, 2) && IsDigits(time, 6, 2) && time[3] <= u'5';
}

int32_t TwoDigitsAt(TextView text, size_t at) { return (text[at] - u'0') * 10 + (text[at + 1] - u'0'); }

void PutTwoDigits(int32_t value, char16_t* at) {
  at[0] = static_cast<char16_t>(u'0' + value / 10);
  at[1] = static_cast<char16_t>(u'0' + value % 10);
}

void WriteIndexLine(SheetOutputHandle sheet, TextView rest, TrackState& track) {
  constexpr TextView kIndex = u"INDEX", kIndented = u"    ";
  const TextView number = BlankSeparatedField(rest, 0);
  const TextView time = BlankSeparatedField(rest, 1);
  // Reused from line to line: an audio index costs no allocation.
  static Text index00, index01;
  if (number == TextView(u"00")) {
    track.hasPregap = true;
  } else if (number == TextView(u"01") && track.isAudio && !track.hasPregap &&
             ShiftedIndexTimes(time, &index00, &index01)) {
    // Players start an audio track at INDEX 01; without a gap before it
    // some of them clip its first moments. A gap reaching back to an index
    // already written would put the file's indexes out of order, which
    // readers refuse, so short tracks go without one.
    if (track.lastIndexTime.empty() || index00 > track.lastIndexTime) {
      index00.insert(0, u"00 ");
      WriteKeptLine(sheet, kIndented, kIndex, index00);
    }
    index01.insert(0, u"01 ");
    WriteKeptLine(sheet, kIndented, kIndex, index01);
    track.lastIndexTime.assign(time);
    return;
  }
  WriteKeptLine(sheet, kIndented, kIndex, rest);
  if (IsIndexTime(time)) track.lastIndexTime.assign(time);
}

void WriteLineFor(SheetOutputHandle sheet, TextView line, const Text& sheetFolder, TrackState& track) {
  TextView rest = line;
  const TextView word = TakeBlankSeparatedField(&rest);
  const KeptKeyword keyword = KeptAs(word, rest);
  switch (keyword.kind) {
    case Kept::Nothing:
      return;
    case Kept::File: {
      const FileLineParts parts = ReadFileLine(line);
      const Text imageName = ResolveImageName(sheetFolder, parts.name, track);
      // Written in its four parts: a sweep writes one such line per image.
      WriteSheetText(sheet, u"FILE \"");
      WriteSheetText(sheet, imageName);
      WriteSheetText(sheet, u"\" ");
      WriteSheetLine(sheet, FileTypeToWrite(parts.type, imageName));
      // Index times count from the start of each file.
      track.lastIndexTime.clear();
      return;
    }
    case Kept::Track:
      WriteKeptLine(sheet, u"  ", keyword.word, rest);
      track.hasPregap = false;
      track.isAudio = EqualIgnoringAsciiCase(BlankSeparatedField(rest, 1), u"AUDIO");
      return;
    case Kept::Pregap:
      track.hasPregap = true;
      [[fallthrough]];
    case Kept::Postgap:
    case Kept::Flags:
      WriteKeptLine(sheet, u"    ", keyword.word, rest);
      return;
    case Kept::Index:
      WriteIndexLine(sheet, rest, track);
      return;
    case Kept::Layout:
      // Where it stands, unindented; it says nothing of tracks or times.
      WriteKeptLine(sheet, u"", keyword.word, rest);
      return;
  }
}

}  // namespace

// The shift is worked out on the digits themselves: CD times run to 99
// minutes, past what a clock's minutes hold.
bool ShiftedIndexTimes(TextView time, Text* index00, Text* index01) {
  if (!IsIndexTime(time)) return false;
  const int32_t seconds = TwoDigitsAt(time, 0) * 60 + TwoDigitsAt(time, 3);
  const int32_t earlier = seconds >= 2 ? seconds - 2 : 0;
  index01->assign(time);
  index00->assign(time);
  PutTwoDigits(earlier / 60, &(*index00)[0]);
  PutTwoDigits(earlier % 60, &(*index00)[3]);
  return true;
}

bool RebuildSheetLines(FileHandle source, SheetOutputHandle output, const Text& sheetFolder) {
  ForgetImageSearch();
  TrackState track;
  // One text for every line of every sheet: a sweep grows it once. Room
  // that a very long line took is given back when its sheet is done.
  static Text line;
  constexpr size_t kRoomKept = 64 * 1024;
  bool firstLine = true;
  while (!AtEnd(source) && !track.questionFailed) {
    ReadLineInto(source, &line);
    // Notepad starts a UTF-8 file with a byte-order mark; left there it
    // would hide the keyword of the first line, usually the only FILE line.
    if (firstLine && !line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
    firstLine = false;
    WriteLineFor(output, TrimBlanks(line), sheetFolder, track);
  }
  if (line.capacity() > kRoomKept) Text().swap(line);
  return !track.questionFailed;
}

Outcome RewriteCueSheet(const Text& sheetPath) {
  // The first backup is the sheet as the user had it; it is never replaced,
  // so every later run rebuilds from that same original. The sheet on disk
  // keeps its old bytes until the new ones are complete, every image found
  // and every question answered, and then changes in one step.
  const SheetRepair repair = OpenSheetForRepair(sheetPath);
  if (repair.opening == Opening::FileSystemRefused) EndRun();
  if (repair.opening != Opening::Opened) return WhyPassedOver(sheetPath, repair);

  const bool complete = RebuildSheetLines(repair.source, repair.output, FolderOf(sheetPath));
  CloseTextFile(repair.source);
  if (!complete) {
    DropSheetOutput(repair.output);  // the sheet stays as it was
    return Outcome::NotAsked;
  }
  return OutcomeOfPut(PutSheetInPlace(repair.output), Outcome::Repaired, Outcome::AlreadyRight);
}
