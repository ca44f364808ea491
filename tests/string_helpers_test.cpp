#include <gtest/gtest.h>

#include "text/string_helpers.h"

TEST(TrimSpaces, RemovesOnlySpacesAtTheEnds) {
  EXPECT_EQ(TrimSpaces(u"   "), u"");
  EXPECT_EQ(TrimSpaces(u""), u"");
  EXPECT_EQ(TrimSpaces(u"  TRACK 01  AUDIO  "), u"TRACK 01  AUDIO");
  EXPECT_EQ(TrimSpaces(u"\tINDEX 01 "), u"\tINDEX 01");
  EXPECT_EQ(TrimSpaces(u" a\u00A0"), u"a\u00A0");
  EXPECT_EQ(TrimSpaces(u"x\r"), u"x\r");
}

TEST(FieldAt, SingleCharacterDelimiter) {
  EXPECT_EQ(FieldAt(u"TRACK 01 AUDIO", 1, u" "), u"TRACK");
  EXPECT_EQ(FieldAt(u"TRACK 01 AUDIO", 3, u" "), u"AUDIO");
  EXPECT_EQ(FieldAt(u"TRACK 01 AUDIO", 4, u" "), u"");
  EXPECT_EQ(FieldAt(u"TRACK 01 AUDIO", 0, u" "), u"");
  EXPECT_EQ(FieldAt(u"TRACK 01 AUDIO", -1, u" "), u"");
  EXPECT_EQ(FieldAt(u"a  b", 2, u" "), u"");
  EXPECT_EQ(FieldAt(u"a  b", 3, u" "), u"b");
  EXPECT_EQ(FieldAt(u"INDEX  01 00:00:00", 4, u" "), u"00:00:00");
  EXPECT_EQ(FieldAt(u" lead", 1, u" "), u"");
  EXPECT_EQ(FieldAt(u"trail ", 2, u" "), u"");
  EXPECT_EQ(FieldAt(u"trail ", 3, u" "), u"");
}

TEST(FieldAt, QuotedFileNames) {
  const Text line = u"FILE \"Disc 1.bin\" BINARY";
  EXPECT_EQ(FieldAt(line, 1, u"\""), u"FILE ");
  EXPECT_EQ(FieldAt(line, 2, u"\""), u"Disc 1.bin");
  EXPECT_EQ(FieldAt(line, 3, u"\""), u" BINARY");
  EXPECT_EQ(FieldAt(u"FILE \"half.bin BINARY", 2, u"\""), u"half.bin BINARY");
  EXPECT_EQ(FieldAt(u"FILE none.bin BINARY", 2, u"\""), u"");
}

TEST(FieldAt, EmptyAndLongDelimiters) {
  EXPECT_EQ(FieldAt(u"abc", 1, u""), u"abc");
  EXPECT_EQ(FieldAt(u"abc", 2, u""), u"");
  EXPECT_EQ(FieldAt(u"x--y", 2, u"--"), u"y");
  EXPECT_EQ(FieldAt(u"x-", 2, u"--"), u"");
  EXPECT_EQ(FieldAt(u"x-", 1, u"--"), u"x-");
  EXPECT_EQ(FieldAt(u"a---b", 2, u"--"), u"-b");
}

TEST(LeftAndRightOf, ClampTheirCounts) {
  EXPECT_EQ(LeftOf(u"12:3", 5), u"12:3");
  EXPECT_EQ(LeftOf(u"05:30:12", 5), u"05:30");
  EXPECT_EQ(LeftOf(u"abc", -1), u"");
  EXPECT_EQ(LeftOf(u"", 5), u"");
  EXPECT_EQ(RightOf(u"ab", 3), u"ab");
  EXPECT_EQ(RightOf(u"05:30:12", 3), u":12");
  EXPECT_EQ(RightOf(u"abc", 0), u"");
  EXPECT_EQ(RightOf(u"", 3), u"");
}

TEST(ToLowerAndStringsEqual, CompareExactly) {
  EXPECT_EQ(ToLower(u"CuE"), u"cue");
  EXPECT_EQ(ToLower(u"BIN.ISO-9"), u"bin.iso-9");
  EXPECT_EQ(StringsEqual(u"file", u"FILE"), 0);
  EXPECT_EQ(StringsEqual(u"FILE", u"FILE"), 1);
  EXPECT_EQ(StringsEqual(Text(), u""), 1);
  EXPECT_EQ(StringsEqual(u"a", u"a "), 0);
}

TEST(FileNameOf, TakesTheLastNameOfAPath) {
  EXPECT_EQ(FileNameOf(u"C:\\a\\b"), u"b");
  EXPECT_EQ(FileNameOf(u"C:\\a\\"), u"");
  EXPECT_EQ(FileNameOf(u"/home/u/game.cue"), u"game.cue");
  EXPECT_EQ(FileNameOf(u"C:/mixed\\seps/x.bin"), u"x.bin");
  EXPECT_EQ(FileNameOf(u"\"C:\\disc\\track.bin\""), u"track.bin");
  EXPECT_EQ(FileNameOf(u"\"track.bin\""), u"track.bin");
  EXPECT_EQ(FileNameOf(u""), u"");
}

TEST(FileNameOf, WithoutExtension) {
  EXPECT_EQ(FileNameOf(u"noslash.iso", NoExtension), u"noslash");
  EXPECT_EQ(FileNameOf(u"D:\\games\\Racer.BIN", NoExtension), u"Racer");
  EXPECT_EQ(FileNameOf(u"Disc 1.bin", NoExtension), u"Disc 1");
  EXPECT_EQ(FileNameOf(u"a.b.bin", NoExtension), u"a.b");
  EXPECT_EQ(FileNameOf(u"read me", NoExtension), u"read me");
  EXPECT_EQ(FileNameOf(u"name.", NoExtension), u"name.");
  EXPECT_EQ(FileNameOf(u".cue", NoExtension), u".cue");
  EXPECT_EQ(FileNameOf(u"my.disc 1", NoExtension), u"my.disc 1");
}

TEST(FolderOf, KeepsTheTrailingSeparator) {
  EXPECT_EQ(FolderOf(u"C:\\disc\\track.bin"), u"C:\\disc\\");
  EXPECT_EQ(FolderOf(u"C:/a/b"), u"C:/a/");
  EXPECT_EQ(FolderOf(u"track.bin"), u"");
  EXPECT_EQ(FolderOf(u"\"C:\\x\\y.cue\""), u"C:\\x\\");
  EXPECT_EQ(FolderOf(u"/all"), u"/");
  // A vertical bar ends the scan.
  EXPECT_EQ(FolderOf(u"C:\\a\\b|c\\d"), u"C:\\a\\");
}

TEST(ExtensionOf, FindsTheLastNamesExtension) {
  EXPECT_EQ(ExtensionOf(u"track.BIN"), u"BIN");
  EXPECT_EQ(ExtensionOf(u"archive.tar.gz"), u"gz");
  EXPECT_EQ(ExtensionOf(u"name."), u"");
  EXPECT_EQ(ExtensionOf(u"my file"), u"");
  EXPECT_EQ(ExtensionOf(u"my.file name"), u"");
  EXPECT_EQ(ExtensionOf(u"C:\\my.dir\\file"), u"");
  EXPECT_EQ(ExtensionOf(u".cue"), u"");
  EXPECT_EQ(ExtensionOf(u"C:\\disc\\.cue"), u"");
  EXPECT_EQ(ExtensionOf(u"\"C:\\x\\y.Cue\""), u"Cue");
  EXPECT_EQ(ExtensionOf(u"Game.cue.bak"), u"bak");
}
