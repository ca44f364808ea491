#include <gtest/gtest.h>

#include <functional>

#include "text/path_separator.h"
#include "text/string_helpers.h"

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
