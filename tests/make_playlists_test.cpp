#include <gtest/gtest.h>

#include "tests/support/report_of_run.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"
#include "text/utf8.h"

namespace {

// A sheet as a repair leaves it, so that a sweep changes nothing.
const std::string kSheet = "FILE \"Game.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n";

struct Folder {
  std::vector<Text> sheets;  // in the order they are made
  // The playlists expected in the folder, each with its lines.
  std::vector<std::pair<Text, std::vector<Text>>> playlists;
};

RunOptions Playlists() {
  RunOptions options;
  options.playlists = true;
  return options;
}

std::string Lines(const std::vector<Text>& names) {
  std::string bytes;
  for (const Text& name : names) bytes += EncodeUtf8(name) + "\n";
  return bytes;
}

}  // namespace

// Sheets that differ only by a disc marker make one game; a game of two
// discs or more gets its playlist, its discs in the order of their numbers.
TEST(MakePlaylists, OnePlaylistForEachGameOfSeveralDiscs) {
  const std::vector<Folder> folders = {
      {{u"Final Fantasy VII (USA) (Disc 2).cue", u"Final Fantasy VII (USA) (Disc 1).cue",
        u"Final Fantasy VII (USA) (Disc 3).cue"},
       {{u"Final Fantasy VII (USA).m3u",
         {u"Final Fantasy VII (USA) (Disc 1).cue", u"Final Fantasy VII (USA) (Disc 2).cue",
          u"Final Fantasy VII (USA) (Disc 3).cue"}}}},
      // The marker mid-name; two games in one folder; markers of each
      // kind and letter case; N of M; a gap; 10 after 9.
      {{u"Game (Disc 2) (Rev 1).cue", u"Game (Disc 1) (Rev 1).cue", u"Saga (disk 4 of 4).CUE",
        u"Saga (DISK 2 of 4).cue", u"Saga (Disk 1 of 4).cue", u"Saga (disK 3 of 4).cue",
        u"Quest (cd 4).cue", u"Quest (CD 1).cue", u"Quest (Cd 2).cue", u"Long (Disc 10).cue",
        u"Long (Disc 9).cue"},
       {{u"Game (Rev 1).m3u", {u"Game (Disc 1) (Rev 1).cue", u"Game (Disc 2) (Rev 1).cue"}},
        {u"Saga.m3u",
         {u"Saga (Disk 1 of 4).cue", u"Saga (DISK 2 of 4).cue", u"Saga (disK 3 of 4).cue",
          u"Saga (disk 4 of 4).CUE"}},
        {u"Quest.m3u", {u"Quest (CD 1).cue", u"Quest (Cd 2).cue", u"Quest (cd 4).cue"}},
        {u"Long.m3u", {u"Long (Disc 9).cue", u"Long (Disc 10).cue"}}}},
      // One disc alone; no marker at all; markers out of range or not
      // set off by a blank; a set whose second disc is a sheet passed over.
      {{u"Solo (Disc 1).cue", u"Plain.cue", u"Zero (Disc 0).cue", u"Zero (Disc 1).cue",
        u"Big (Disc 100).cue", u"Big (Disc 1).cue", u"Tight(Disc 1).cue", u"Tight(Disc 2).cue",
        u"Kept (Disc 1).cue", u"Kept (Disc 2).cue"},
       {}},
  };
  TempFolder folder;
  std::vector<Text> folderPaths;
  for (size_t i = 0; i < folders.size(); ++i) {
    const Text path = folder.Folder(u"lib/" + Text(1, u'a' + static_cast<char16_t>(i)));
    folderPaths.push_back(path);
    WriteBytes(path + u"Game.bin", "x");
    for (const Text& sheet : folders[i].sheets) WriteBytes(path + sheet, kSheet);
  }
  WriteBytes(folderPaths[2] + u"Kept (Disc 2).cue", "");
  ScriptDialogAnswers({});
  ASSERT_TRUE(RunProgramToEnd({folder / u"lib"}, Playlists()));
  EXPECT_TRUE(DialogRequests().empty());
  for (size_t i = 0; i < folders.size(); ++i) {
    size_t playlists = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Fs(folderPaths[i]))) {
      playlists += entry.path().extension() == ".m3u";
    }
    EXPECT_EQ(playlists, folders[i].playlists.size()) << "folder " << i;
    for (const auto& [name, lines] : folders[i].playlists) {
      EXPECT_EQ(ReadBytes(folderPaths[i] + name), Lines(lines)) << EncodeUtf8(name);
    }
  }
}

// A playlist already there is written again only when it is empty: one of
// the same content stays untouched, one of other content is the user's.
TEST(MakePlaylists, APlaylistThereIsLeftAsItIs) {
  TempFolder folder;
  const Text games = folder.Folder(u"lib/games");
  for (const Text game : {u"Same", u"Other", u"Empty"}) {
    WriteBytes(games + game + u" (Disc 1).cue", kSheet);
    WriteBytes(games + game + u" (Disc 2).cue", kSheet);
  }
  WriteBytes(games + u"Game.bin", "x");
  const std::string same = "Same (Disc 1).cue\nSame (Disc 2).cue\n";
  WriteBytes(games + u"Same.m3u", same);
  WriteBytes(games + u"Other.m3u", "Other (Disc 2).cue\n");
  WriteBytes(games + u"Empty.m3u", "");
  const Snapshot sameBefore = StampsOf(folder.root);

  RunOptions options = Playlists();
  options.verbose = true;
  ScriptDialogAnswers({});
  // Given as itself, the folder's sheets are found through its "." entry.
  std::vector<std::string> lines = ReportOfRun({games, games + u"Same (Disc 1).cue"}, options);
  EXPECT_EQ(ReadBytes(games + u"Same.m3u"), same);
  EXPECT_EQ(StampsOf(folder.root)[Fs(games + u"Same.m3u")], sameBefore.at(Fs(games + u"Same.m3u")));
  EXPECT_EQ(ReadBytes(games + u"Other.m3u"), "Other (Disc 2).cue\n");
  EXPECT_EQ(ReadBytes(games + u"Empty.m3u"), "Empty (Disc 1).cue\nEmpty (Disc 2).cue\n");
  const std::string shown = EncodeUtf8(games);
  for (const std::string& line :
       {"already right: " + shown + "Same.m3u", "left as it was (another playlist): " + shown +
                                                    "Other.m3u",
        "playlist written: " + shown + "Empty.m3u"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
        << line << " not in\n" << testing::PrintToString(lines);
  }
}

// A name in an older code page is its bytes on disk, and in the playlist.
TEST(MakePlaylists, NamesAreTheBytesOnDisk) {
  if (kFolderSeparator == u'\\') GTEST_SKIP() << "Windows names are UTF-16, not bytes";
  TempFolder folder;
  const Text games = folder.Folder(u"games");
  const std::string cafe = "Caf\xE9";  // Windows-1252, not UTF-8
  const Text name = DecodeUtf8KeepingBytes(cafe.data(), cafe.size());
  WriteBytes(games + name + u" (Disc 1).cue", kSheet);
  WriteBytes(games + name + u" (Disc 2).cue", kSheet);
  WriteBytes(games + u"Game.bin", "x");
  ScriptDialogAnswers({});
  ASSERT_TRUE(RunProgramToEnd({games}, Playlists()));
  EXPECT_EQ(ReadBytes(games + name + u".m3u"), cafe + " (Disc 1).cue\n" + cafe + " (Disc 2).cue\n");
}
