#include <gtest/gtest.h>

#include "app/end_run.h"
#include "app/run_state.h"
#include "app/sweep_folders.h"
#include "files/text_file.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"

namespace {

const std::string kSheet = "FILE \"x.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n";
const std::string kRepaired = "FILE \"x.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n";

// A sheet and its image in folder.
void AddSheet(const Text& folder, const Text& name) {
  WriteBytes(folder + name, kSheet);
  WriteBytes(folder + u"x.bin", "x");
}

bool Repaired(const Text& sheet) {
  return ReadBytes(sheet) == kRepaired && ReadBytes(sheet + u".bak") == kSheet;
}

bool Untouched(const Text& sheet) { return ReadBytes(sheet) == kSheet && !Exists(sheet + u".bak"); }

// Sweeps as the "all" choice does; false when the run ended on the way.
bool Sweep(const Text& folder) {
  ScriptDialogAnswers({});
  try {
    SweepSubfolders(folder);
  } catch (const RunEnded&) {
    return false;
  }
  return true;
}

}  // namespace

TEST(SweepSubfolders, OneLevelDownThroughDotAndDotDot) {
  TempFolder folder;
  const Text parent = folder.Folder(u"parent");
  const Text games = folder.Folder(u"parent/games");
  AddSheet(parent, u"p.cue");
  AddSheet(games, u"g.cue");
  AddSheet(folder.Folder(u"parent/games/A"), u"a.cue");
  AddSheet(folder.Folder(u"parent/games/B"), u"b.CUE");
  AddSheet(folder.Folder(u"parent/games/A/Deep"), u"deep.cue");
  AddSheet(folder.Folder(u"parent/sibling"), u"s.cue");

  EXPECT_TRUE(Sweep(games));
  EXPECT_TRUE(Repaired(games + u"A" + kFolderSeparator + u"a.cue"));
  EXPECT_TRUE(Repaired(games + u"B" + kFolderSeparator + u"b.CUE"));
  EXPECT_TRUE(Repaired(games + u"g.cue"));  // through "."
  EXPECT_TRUE(Repaired(parent + u"p.cue"));  // through ".."
  EXPECT_TRUE(Untouched(folder.Folder(u"parent/games/A/Deep") + u"deep.cue"));
  EXPECT_TRUE(Untouched(folder.Folder(u"parent/sibling") + u"s.cue"));
  EXPECT_EQ(gRun.listing, 0);

  // A second sweep rebuilds every sheet from its first backup, and never
  // takes a backup for a sheet.
  WriteBytes(games + u"g.cue", "edited");
  EXPECT_TRUE(Sweep(games));
  EXPECT_TRUE(Repaired(games + u"g.cue"));
  EXPECT_FALSE(Exists(games + u"g.cue.bak.bak"));
}

TEST(SweepSubfolders, AMissingFolderIsNoSweep) {
  TempFolder folder;
  EXPECT_TRUE(Sweep(folder / u"missing" + kFolderSeparator));
}

TEST(SweepSubfolders, ASheetWithoutBackupEndsTheWholeRun) {
  TempFolder folder;
  const Text games = folder.Folder(u"top/games");
  // Every sub-folder holds an empty sheet, so whichever the listing gives
  // first ends the run, and no other folder may be touched.
  std::vector<Text> sheets;
  for (const Text& name : std::vector<Text>{u"A", u"B", u"C"}) {
    const Text sub = folder.Folder(u"top/games/" + name);
    AddSheet(sub, u"good.cue");
    WriteBytes(sub + u"empty.cue", "");
    sheets.push_back(sub + u"good.cue");
  }

  EXPECT_FALSE(Sweep(games));
  int untouched = 0;
  for (const Text& sheet : sheets) {
    EXPECT_TRUE(Repaired(sheet) || Untouched(sheet));
    untouched += Untouched(sheet);
  }
  EXPECT_GE(untouched, 2);
}

TEST(SweepSubfolders, TheRunsEndFinishesTheListingsItInterrupts) {
  TempFolder folder;
  const Text games = folder.Folder(u"top/games");
  WriteBytes(folder.Folder(u"top/games/A") + u"ask.cue", "FILE \"lost.bin\" BINARY\r\n");
  // The run ends while the sheet in A asks for its image, the sweep's
  // listing standing on A.
  ListingHandle sweeping = 0;
  Text entryThen;
  ScriptDialogAction([&](const FileDialogRequest&) -> Text {
    sweeping = gRun.listing;
    entryThen = EntryName(sweeping);
    EndRun();
  });
  try {
    SweepSubfolders(games);
  } catch (const RunEnded&) {
  }
  EXPECT_EQ(entryThen, u"A");
  EXPECT_EQ(EntryName(sweeping), u"");
}

TEST(SweepSubfolders, ASheetHeldByAnotherRunIsPassedBy) {
  TempFolder folder;
  const Text games = folder.Folder(u"games");
  const Text a = folder.Folder(u"games/A");
  AddSheet(a, u"held.cue");
  AddSheet(a, u"free.cue");
  // Held as an overlapping run holds the sheet it repairs: this run may
  // neither back it up nor rewrite it, and goes on with the others.
  const FileHandle held = OpenTextForRewriting(a + u"held.cue");
  ASSERT_GT(held, 0);
  EXPECT_TRUE(Sweep(games));
  EXPECT_FALSE(Exists(a + u"held.cue.bak"));
  EXPECT_TRUE(Repaired(a + u"free.cue"));
  CloseTextFile(held);
  EXPECT_TRUE(Untouched(a + u"held.cue"));

  EXPECT_TRUE(Sweep(games));
  EXPECT_TRUE(Repaired(a + u"held.cue"));
}

TEST(SweepSubfolders, AFolderNamedLikeASheetEndsTheRun) {
  TempFolder folder;
  const Text games = folder.Folder(u"top/games");
  folder.Folder(u"top/games/A/x.cue");
  EXPECT_FALSE(Sweep(games));
}

// Windows' search also matches "*.cue" through a long name's 8.3 alias:
// "notes.cuesheet" is NOTE~1.CUE or the like (wine makes such aliases too).
TEST(SweepFolder, OnlyTheLongNameIsMatched) {
  TempFolder folder;
  const Text a = folder.Folder(u"games/A");
  AddSheet(a, u"notes.cuesheet");
  AddSheet(a, u"real.cue");
  EXPECT_TRUE(Sweep(folder.Folder(u"games")));
  EXPECT_TRUE(Repaired(a + u"real.cue"));
  EXPECT_TRUE(Untouched(a + u"notes.cuesheet"));
}

// Sheets at full paths of 300 characters and more, reached through ".",
// ".." and a sub-folder alike: every file call gets the whole path.
TEST(SweepSubfolders, SheetsPastTheOldPathLimit) {
  TempFolder folder;
  const Text longName(150, u'n');
  const Text parent = folder.Folder(longName + u"/" + longName);
  const Text games = folder.Folder(longName + u"/" + longName + u"/games");
  const Text deep = folder.Folder(longName + u"/" + longName + u"/games/" + longName);
  ASSERT_GE(games.size(), 300u);
  AddSheet(parent, u"parent.cue");
  AddSheet(games, u"here.cue");
  AddSheet(deep, u"deep.cue");
  ASSERT_EQ(ReadBytes(deep + u"deep.cue"), kSheet);

  EXPECT_TRUE(Sweep(games));
  EXPECT_TRUE(Repaired(parent + u"parent.cue"));
  EXPECT_TRUE(Repaired(games + u"here.cue"));
  EXPECT_TRUE(Repaired(deep + u"deep.cue"));
}
