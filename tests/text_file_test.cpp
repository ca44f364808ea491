#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "files/file_size.h"
#include "files/sheet_repair.h"
#include "files/text_file.h"
#include "tests/support/other_opener.h"
#include "tests/support/read_lines.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"
#include "text/utf8.h"

namespace {

// Every line of a file of these bytes, read to its end.
std::vector<Text> LinesOf(const std::string& bytes) {
  TempFolder folder;
  WriteBytes(folder / u"in.txt", bytes);
  const FileHandle file = OpenLines(folder / u"in.txt");
  EXPECT_NE(file, 0);
  std::vector<Text> lines;
  while (!AtEnd(file)) lines.push_back(ReadLine(file));
  CloseTextFile(file);
  return lines;
}

using Lines = std::vector<Text>;

}  // namespace

TEST(ReadLine, EveryKindOfLineEnd) {
  EXPECT_EQ(LinesOf(""), Lines{});
  EXPECT_EQ(LinesOf("A\r\nB"), (Lines{u"A", u"B"}));
  EXPECT_EQ(LinesOf("A\r\n"), (Lines{u"A"}));
  EXPECT_EQ(LinesOf("A\r\n\r\n"), (Lines{u"A", u""}));
  EXPECT_EQ(LinesOf("A\rB\nC"), (Lines{u"A", u"B", u"C"}));
  EXPECT_EQ(LinesOf("A\n\rB"), (Lines{u"A", u"", u"B"}));
  EXPECT_EQ(LinesOf("A\r\r\nB"), (Lines{u"A", u"", u"B"}));
  EXPECT_EQ(LinesOf("A\r"), (Lines{u"A"}));
  EXPECT_EQ(LinesOf(std::string("A\0B", 3)), (Lines{u"A", u"B"}));
}

// Sheets come in legacy code pages as often as in UTF-8: a byte that is no
// part of a character is kept as the stand-in for itself (U+DC00 + byte),
// so a line writes back as the bytes it was read from. An accented last
// letter never swallows the line end after it, or the INDEX line after a
// Latin-1 title would vanish into it.
TEST(ReadLine, DecodesUtf8AndKeepsWhatIsNot) {
  const std::pair<std::string, Lines> cases[] = {
      {"\xEF\xBB\xBF" "FILE", {u"\uFEFFFILE"}},
      {"TITLE caf\xC3\xA9\r\n", {u"TITLE caf\u00E9"}},
      {"\xFC" "a\r\n\x85", {u"\xDCFC" u"a", u"\xDC85"}},
      {"ab\xE2\x82", {u"ab\xDCE2\xDC82"}},
      {"\xE9\r\n", {u"\xDCE9"}},
      {"TITLE Caf\xE9\r\nINDEX 01 00:00:00\r\n", {u"TITLE Caf\xDCE9", u"INDEX 01 00:00:00"}},
      {"\xF0\x9F\nx", {u"\xDCF0\xDC9F", u"x"}},
      {std::string("\xC3\0z", 3), {u"\xDCC3", u"z"}},
      {"a\xE0\x80\x80" "b\xC0\xAF", {u"a\xDCE0\xDC80\xDC80" u"b\xDCC0\xDCAF"}},
  };
  for (const auto& [bytes, lines] : cases) {
    EXPECT_EQ(LinesOf(bytes), lines) << bytes;
    std::string written;
    for (const Text& line : LinesOf(bytes)) written += EncodeUtf8(line);
    std::string expected = bytes;
    for (const char end : {'\r', '\n', '\0'}) {
      expected.erase(std::remove(expected.begin(), expected.end(), end), expected.end());
    }
    EXPECT_EQ(written, expected);
  }
}

TEST(ReadLine, LinesAcrossAndBeyondTheBuffer) {
  const std::string longLine(10000, 'x');
  EXPECT_EQ(LinesOf("a\r\n" + longLine + "\r\nb"), (Lines{u"a", Text(10000, u'x'), u"b"}));

  // A CR LF, and characters of two to four bytes, split by the end of the
  // read-ahead; a Latin-1 letter just before it.
  const size_t size = static_cast<size_t>(gTextBufferSize);
  for (const std::string character : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x8E\xB5", "\xE9"}) {
    for (size_t before = size - 4; before < size; ++before) {
      std::string split(size - 1, 'y');
      split += "\r\n" + std::string(before, 'z') + character + "end";
      const Text read = DecodeUtf8KeepingBytes(character.data(), character.size());
      EXPECT_EQ(LinesOf(split), (Lines{Text(size - 1, u'y'), Text(before, u'z') + read + u"end"}));
    }
  }

  std::string many;
  Lines expected;
  for (int i = 0; i < 3000; ++i) {
    many += "INDEX " + std::to_string(i) + (i % 2 ? "\n" : "\r\n");
    expected.push_back(u"INDEX " + T(std::to_string(i)));
  }
  EXPECT_EQ(LinesOf(many), expected);
}

TEST(TextFile, HandlesThatNameNoFileAreHarmless) {
  EXPECT_FALSE(AtEnd(0));
  EXPECT_EQ(ReadLine(0), u"");
  WriteSheetLine(0, u"x");
  CloseTextFile(0);
  DropSheetOutput(0);
  EXPECT_FALSE(AtEnd(987654));

  TempFolder folder;
  EXPECT_EQ(OpenLines(folder / u"missing.cue"), 0);
  EXPECT_EQ(OpenLines(folder.Path()), 0);
  EXPECT_EQ(CreateSheet(folder / u"no" + Text(1, kFolderSeparator) + u"x.cue"), 0);
}

TEST(WriteSheetLine, Utf8WithCrLfAndNoByteOrderMark) {
  TempFolder folder;
  const Text path = folder / u"out.cue";
  WriteBytes(path, "");
  const SheetOutputHandle file = CreateSheet(path);
  ASSERT_NE(file, 0);
  WriteSheetLine(file, u"");
  WriteSheetLine(file, u"\u00E9");
  WriteSheetLine(file, u"FILE \"a.bin\" BINARY");
  // The old content stays until the new one is complete.
  EXPECT_EQ(FileSize(path), 0);
  EXPECT_EQ(PutSheetInPlace(file), SheetPut::Replaced);
  EXPECT_EQ(ReadBytes(path), "\r\n\xC3\xA9\r\nFILE \"a.bin\" BINARY\r\n");
}

TEST(WriteSheetLine, LongOutputAndPiecesPastTheBuffer) {
  TempFolder folder;
  const Text path = folder / u"out.txt";
  const SheetOutputHandle file = CreateSheet(path);
  std::string expected;
  for (int i = 0; i < 2000; ++i) {
    const std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
    WriteSheetLine(file, Text(line.begin(), line.end()));
    expected += line + "\r\n";
  }
  WriteSheetLine(file, Text(100000, u'Q'));
  expected += std::string(100000, 'Q') + "\r\n";
  EXPECT_EQ(PutSheetInPlace(file), SheetPut::Replaced);
  EXPECT_EQ(ReadBytes(path), expected);
}

// A reader's handle given to a write reaches neither the file read nor
// an output open at the same time.
TEST(TextFile, ReadersIgnoreWrites) {
  TempFolder folder;
  WriteBytes(folder / u"in.txt", "keep\r\n");
  const SheetOutputHandle output = CreateSheet(folder / u"out.cue");
  const FileHandle file = OpenLines(folder / u"in.txt");
  WriteSheetLine(file, u"never");
  EXPECT_EQ(ReadLine(file), u"keep");
  EXPECT_TRUE(AtEnd(file));
  EXPECT_EQ(ReadLine(file), u"");
  CloseTextFile(file);
  EXPECT_EQ(ReadBytes(folder / u"in.txt"), "keep\r\n");
  WriteSheetLine(output, u"mine");
  EXPECT_EQ(PutSheetInPlace(output), SheetPut::Replaced);
  EXPECT_EQ(ReadBytes(folder / u"out.cue"), "mine\r\n");
}

TEST(OpenSheetForRepair, HeldSheetsAreExclusive) {
  TempFolder folder;
  const Text path = folder / u"held.cue";
  WriteBytes(path, "original\r\n");
  const PlatformFile other = HoldAsAnotherOpener(path, true);
  ASSERT_NE(other, kNoPlatformFile);
  EXPECT_EQ(HoldAsAnotherOpener(path, true), kNoPlatformFile);
  // A sheet held by another opener is never repaired.
  EXPECT_EQ(OpenSheetForRepair(path).opening, Opening::HeldElsewhere);
  ClosePlatformFile(other);
  EXPECT_EQ(ReadBytes(path), "original\r\n");

  const SheetRepair repair = OpenSheetForRepair(path);
  ASSERT_EQ(repair.opening, Opening::Opened);
  EXPECT_EQ(HoldAsAnotherOpener(path, true), kNoPlatformFile);
  CloseTextFile(repair.source);
  DropSheetOutput(repair.output);
  const PlatformFile again = HoldAsAnotherOpener(path, true);
  EXPECT_NE(again, kNoPlatformFile);
  ClosePlatformFile(again);
}

// A run that ends with a sheet's new content unfinished leaves the sheet
// as it was and nothing beside it, however much was written.
TEST(DropAllSheetOutputs, DropsUnfinishedSheets) {
  TempFolder folder;
  WriteBytes(folder / u"b.cue", "");
  const SheetOutputHandle a = CreateSheet(folder / u"a.cue");
  const SheetOutputHandle b = CreateSheet(folder / u"b.cue");
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  WriteSheetLine(a, u"first");
  WriteSheetLine(b, Text(200000, u'x'));
  DropAllSheetOutputs();
  EXPECT_FALSE(Exists(folder / u"a.cue"));
  EXPECT_EQ(ReadBytes(folder / u"b.cue"), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.root),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(PutSheetInPlace(a), SheetPut::LeftAlone);  // the handle names nothing any more
  EXPECT_FALSE(Exists(folder / u"a.cue"));
}
