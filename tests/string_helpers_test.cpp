#include <gtest/gtest.h>

#include <functional>

#include "text/path_separator.h"
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

namespace {

// A path helper's result on Windows, where "\" and "/" both separate and
// a folder is not looked for past "|", and elsewhere, where "/" alone
// separates and "\" and "|" are name characters like any other.
struct PathCase {
  Text path;
  Text onWindows;
  Text elsewhere;
};

void ExpectEach(const std::function<Text(const Text&)>& helper,
                const std::vector<PathCase>& cases) {
  const bool windows = kFolderSeparator == u'\\';
  for (const PathCase& c : cases) {
    EXPECT_EQ(helper(c.path), windows ? c.onWindows : c.elsewhere)
        << std::string(c.path.begin(), c.path.end());
  }
}

}  // namespace

TEST(FileNameOf, TakesTheLastNameOfAPath) {
  ExpectEach([](const Text& path) { return FileNameOf(path); },
             {{u"C:\\a\\b", u"b", u"C:\\a\\b"},
              {u"C:\\a\\", u"", u"C:\\a\\"},
              {u"/home/u/game.cue", u"game.cue", u"game.cue"},
              {u"C:/mixed\\seps/x.bin", u"x.bin", u"x.bin"},
              {u"\"C:\\disc\\track.bin\"", u"track.bin", u"C:\\disc\\track.bin"},
              {u"\"track.bin\"", u"track.bin", u"track.bin"},
              {u"/games/Disc|3/Racer.bin", u"Racer.bin", u"Racer.bin"},
              {u"/games/a\\b.cue", u"b.cue", u"a\\b.cue"},
              {u"", u"", u""}});
}

TEST(FileNameOf, WithoutExtension) {
  ExpectEach([](const Text& path) { return FileNameOf(path, NoExtension); },
             {{u"noslash.iso", u"noslash", u"noslash"},
              {u"D:\\games\\Racer.BIN", u"Racer", u"D:\\games\\Racer"},
              {u"/games/Disc\\1.bin", u"1", u"Disc\\1"},
              {u"/games/Disc|3.iso", u"Disc|3", u"Disc|3"},
              {u"Disc 1.bin", u"Disc 1", u"Disc 1"},
              {u"a.b.bin", u"a.b", u"a.b"},
              {u"read me", u"read me", u"read me"},
              {u"name.", u"name.", u"name."},
              {u".cue", u".cue", u".cue"},
              {u"my.disc 1", u"my.disc 1", u"my.disc 1"}});
}

TEST(FolderOf, KeepsTheTrailingSeparator) {
  ExpectEach(FolderOf, {{u"C:\\disc\\track.bin", u"C:\\disc\\", u""},
                        {u"C:/a/b", u"C:/a/", u"C:/a/"},
                        {u"track.bin", u"", u""},
                        {u"\"C:\\x\\y.cue\"", u"C:\\x\\", u""},
                        {u"\"/x/y.cue\"", u"/x/", u"/x/"},
                        {u"/all", u"/", u"/"},
                        {u"C:\\a\\b|c\\d", u"C:\\a\\", u""},
                        {u"/games/Disc|3/all", u"/games/", u"/games/Disc|3/"},
                        {u"/games/a\\b.cue", u"/games/a\\", u"/games/"}});
}

TEST(ExtensionOf, FindsTheLastNamesExtension) {
  ExpectEach(ExtensionOf, {{u"track.BIN", u"BIN", u"BIN"},
                           {u"archive.tar.gz", u"gz", u"gz"},
                           {u"name.", u"", u""},
                           {u"my file", u"", u""},
                           {u"my.file name", u"", u""},
                           {u"C:\\my.dir\\file", u"", u"dir\\file"},
                           {u".cue", u"", u""},
                           {u"C:\\disc\\.cue", u"", u"cue"},
                           {u"/disc/.cue", u"", u""},
                           {u"\"C:\\x\\y.Cue\"", u"Cue", u"Cue"},
                           {u"/games/Disc|3/Racer.iso", u"iso", u"iso"},
                           {u"Game.cue.bak", u"bak", u"bak"}});
}
