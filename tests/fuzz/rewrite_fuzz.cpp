// The whole rewrite of one sheet made of arbitrary bytes, in a folder with
// one image, the dialog for a missing image answered from another folder.
// The promises checked on every input: the backup holds the original bytes
// (there is none where the sheet came out as it was, or was empty);
// every line written is a FILE, TRACK, PREGAP, POSTGAP, FLAGS, INDEX or
// layout REM line at its own indentation, ending in CR LF, and every line
// but FILE is an input line with its keyword in upper case and single
// spaces, its bytes kept; a FILE
// line's type is BINARY or one the input wrote, and no audio type is given
// to an image; every INDEX time written is one of the input's, or two
// seconds before an INDEX 01 time of the input, and an INDEX 00 of the
// repair's own comes after every INDEX time written before it in its file.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "files/file_size.h"
#include "files/text_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/run_harness.h"
#include "text/blank_fields.h"
#include "text/string_helpers.h"
#include "text/utf8.h"

namespace {

bool StartsWith(const Text& text, const Text& prefix) { return text.rfind(prefix, 0) == 0; }

// A keyword line of the output: the prefix, then the end or a space.
bool IsKeywordLine(const Text& line, const Text& prefix) {
  return StartsWith(line, prefix) && (line.size() == prefix.size() || line[prefix.size()] == u' ');
}

// MM:SS:FF with two digits each and seconds below 60.
bool IsTime(const Text& time) {
  if (time.size() != 8 || time[2] != u':' || time[5] != u':') return false;
  for (size_t i : {0, 1, 3, 4, 6, 7}) {
    if (time[i] < u'0' || time[i] > u'9') return false;
  }
  return time[3] <= u'5';
}

// An input line as the repair writes it: keyword in upper case, fields one
// space apart. "" for a line whose keyword the repair does not keep.
Text Normalized(const Text& line) {
  std::vector<Text> fields;
  for (size_t i = 0; !BlankSeparatedField(line, i).empty(); ++i) {
    fields.emplace_back(BlankSeparatedField(line, i));
  }
  if (fields.empty()) return Text();
  Text normalized;
  for (const Text& keyword : {u"FILE", u"TRACK", u"PREGAP", u"POSTGAP", u"FLAGS", u"INDEX"}) {
    if (EqualIgnoringAsciiCase(fields[0], keyword)) normalized = keyword;
  }
  for (const Text& mark : {u"SESSION", u"LEAD-IN", u"LEAD-OUT", u"SINGLE-DENSITY", u"HIGH-DENSITY"}) {
    if (EqualIgnoringAsciiCase(fields[0], u"REM") && fields.size() > 1 &&
        EqualIgnoringAsciiCase(fields[1], mark)) {
      normalized = u"REM";
    }
  }
  if (normalized.empty()) return Text();
  for (size_t i = 1; i < fields.size(); ++i) normalized += u" " + fields[i];
  return normalized;
}

Text Lowered(Text text) {
  for (char16_t& c : text) c = AsciiLower(c);
  return text;
}

// MM:SS:FF two seconds earlier, never before 00:00.
Text TwoSecondsBefore(const Text& time) {
  if (time.size() != 8) return Text();
  int32_t seconds =
      ((time[0] - u'0') * 10 + (time[1] - u'0')) * 60 + (time[3] - u'0') * 10 + (time[4] - u'0');
  seconds = seconds >= 2 ? seconds - 2 : 0;
  Text earlier = time;
  earlier[0] = static_cast<char16_t>(u'0' + seconds / 600);
  earlier[1] = static_cast<char16_t>(u'0' + seconds / 60 % 10);
  earlier[3] = static_cast<char16_t>(u'0' + seconds % 60 / 10);
  earlier[4] = static_cast<char16_t>(u'0' + seconds % 10);
  return earlier;
}

// The index-th (from 1) field of text split at every single space; two
// spaces in a row enclose an empty field.
Text FieldAt(const Text& text, int index, const Text& space) {
  size_t start = 0;
  for (int field = 1; field < index; ++field) {
    start = text.find(space, start);
    if (start == Text::npos) return Text();
    start += space.size();
  }
  return text.substr(start, text.find(space, start) - start);
}

// The last count code units of text, or all of it.
Text RightOf(const Text& text, size_t count) {
  return count >= text.size() ? text : text.substr(text.size() - count);
}

// The text without the U+0020 spaces at its ends.
Text TrimSpaces(const Text& text) {
  const size_t first = text.find_first_not_of(u' ');
  return first == Text::npos ? Text() : text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

// The backup's lines as the reader gives them, trimmed of spaces.
std::vector<Text> TrimmedLines(const Text& path) {
  std::vector<Text> lines;
  const FileHandle file = OpenLines(path);
  FUZZ_CHECK(file != 0);
  while (!AtEnd(file)) lines.push_back(TrimSpaces(ReadLine(file)));
  CloseTextFile(file);
  // A byte-order mark does not hide the first line's keyword.
  if (!lines.empty() && !lines[0].empty() && lines[0][0] == 0xFEFF) {
    lines[0] = TrimSpaces(lines[0].substr(1));
  }
  return lines;
}

void CheckRepairedSheet(const std::string& repaired, const std::vector<Text>& input) {
  std::set<Text> inputLines, index01Times, shiftedTimes;
  Text inputFileLines;
  for (const Text& line : input) {
    const Text normalized = Normalized(line);
    inputLines.insert(normalized);
    if (StringsEqual(FieldAt(normalized, 1, u" "), u"FILE")) inputFileLines += Lowered(line) + u"\n";
    if (StringsEqual(FieldAt(normalized, 1, u" "), u"INDEX") &&
        StringsEqual(FieldAt(normalized, 2, u" "), u"01")) {
      index01Times.insert(FieldAt(normalized, 3, u" "));
      shiftedTimes.insert(TwoSecondsBefore(FieldAt(normalized, 3, u" ")));
    }
  }
  Text lastTimeInFile;
  size_t written = 0;
  for (size_t start = 0; start < repaired.size(); ++written) {
    const size_t end = repaired.find("\r\n", start);
    FUZZ_CHECK(end != std::string::npos);
    const std::string bytes = repaired.substr(start, end - start);
    FUZZ_CHECK(bytes.find_first_of("\r\n") == std::string::npos);
    const Text line = DecodeUtf8KeepingBytes(bytes.data(), bytes.size());
    FUZZ_CHECK(EncodeUtf8(line) == bytes);
    start = end + 2;

    if (StartsWith(line, u"FILE \"")) {
      // A bare name, with BINARY or a type the input gave; audio types
      // never for an image.
      const size_t closingQuote = line.find(u'"', 6);
      FUZZ_CHECK(closingQuote != Text::npos && line.find(u'"', closingQuote + 1) == Text::npos);
      const Text name = line.substr(6, closingQuote - 6);
      const Text type = line.substr(closingQuote + 1);
      FUZZ_CHECK(name.find_first_of(u"/\\") == Text::npos);
      const bool isImage = name.size() >= 4 && (Lowered(RightOf(name, 4)) == u".bin" ||
                                                Lowered(RightOf(name, 4)) == u".img" ||
                                                Lowered(RightOf(name, 4)) == u".iso");
      if (type != u" BINARY") {
        FUZZ_CHECK(type == u" MOTOROLA" || (!isImage && (type == u" WAVE" || type == u" MP3" ||
                                                         type == u" AIFF" || type == u" FLAC")));
        FUZZ_CHECK(inputFileLines.find(Lowered(type.substr(1))) != Text::npos);
      }
      lastTimeInFile.clear();
    } else if (IsKeywordLine(line, u"  TRACK") || IsKeywordLine(line, u"    PREGAP") ||
               IsKeywordLine(line, u"    POSTGAP") || IsKeywordLine(line, u"    FLAGS") ||
               IsKeywordLine(line, u"REM")) {
      FUZZ_CHECK(inputLines.count(TrimSpaces(line)) == 1);
    } else if (IsKeywordLine(line, u"    INDEX")) {
      const Text unindented = line.substr(4);
      const Text number = FieldAt(unindented, 2, u" ");
      const Text time = FieldAt(unindented, 3, u" ");
      const bool copied = inputLines.count(unindented) == 1;
      const bool rebuilt = StringsEqual(unindented, u"INDEX " + number + u" " + time) &&
                           ((StringsEqual(number, u"01") && index01Times.count(time) == 1) ||
                            (StringsEqual(number, u"00") && shiftedTimes.count(time) == 1));
      FUZZ_CHECK(copied || rebuilt);
      if (!copied && StringsEqual(number, u"00") && !lastTimeInFile.empty()) {
        FUZZ_CHECK(time > lastTimeInFile);
      }
      if (IsTime(time)) lastTimeInFile = time;
    } else {
      FUZZ_CHECK(!"a line of a kind the repair never writes");
    }
  }
  FUZZ_CHECK(written <= 2 * input.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Text folder = FuzzFolder();
  static const Text sheet = folder + u"Disc.cue";
  static const Text backup = sheet + u".bak";
  static bool prepared = false;
  if (!prepared) {
    WriteFileBytes(folder + u"Disc.bin", "x");
    WriteFileBytes(folder + u"Track 02.img", "x");
    prepared = true;
  }
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::remove(EncodeUtf8(backup).c_str());
  WriteFileBytes(sheet, original);

  InitTextFiles();
  // A read-ahead of a few bytes: every input crosses its end many times.
  gTextBufferSize = 7;
  ScriptDialogAnswers({u"/elsewhere/Picked.iso", u"", u"Other.bin"});
  FUZZ_CHECK(RewriteReturned(sheet));
  const std::string repaired = ReadFileBytes(sheet);
  // An empty sheet holds nothing to repair, and one that comes out as it
  // was is not touched: neither gets a backup.
  if (original.empty() || repaired == original) {
    FUZZ_CHECK(FileSize(backup) == kNoFile && repaired == original);
    if (original.empty()) return 0;
  } else {
    FUZZ_CHECK(ReadFileBytes(backup) == original);
  }
  CheckRepairedSheet(repaired, TrimmedLines(repaired == original ? sheet : backup));
  return 0;
}
