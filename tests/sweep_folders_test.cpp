#include <gtest/gtest.h>

#include "app/end_run.h"
#include "app/run_state.h"
#include "app/sweep_folders.h"
#include "files/listed_names.h"
#include "files/sheet_repair.h"
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
  const SheetRepair held = OpenSheetForRepair(a + u"held.cue");
  ASSERT_EQ(held.opening, Opening::Opened);
  EXPECT_TRUE(Sweep(games));
  EXPECT_FALSE(Exists(a + u"held.cue.bak"));
  EXPECT_TRUE(Repaired(a + u"free.cue"));
  CloseTextFile(held.source);
  DropSheetOutput(held.output);
  EXPECT_TRUE(Untouched(a + u"held.cue"));

  EXPECT_TRUE(Sweep(games));
  EXPECT_TRUE(Repaired(a + u"held.cue"));
}

// Whatever stands where a sheet or its backup belongs, a sweep takes
// nothing from it and writes nothing through it: that sheet is passed
// over, nothing outside the library changes, and the sweep goes on with
// every other sheet.
TEST(SweepSubfolders, WhatCannotBeRepairedIsPassedOver) {
  enum class Odd { None, Sheet, Empty, Folder, Fifo, Socket, LinkToContent, LinkToEmpty, Dangling };
  struct Case {
    const char* what;
    Odd sheet, backup;
  };
  const Case cases[] = {
      {"backup: a dangling link", Odd::Sheet, Odd::Dangling},
      {"backup: a link to an empty file", Odd::Sheet, Odd::LinkToEmpty},
      {"backup: a link to a file with content", Odd::Sheet, Odd::LinkToContent},
      {"backup: a folder", Odd::Sheet, Odd::Folder},
      {"backup: a FIFO", Odd::Sheet, Odd::Fifo},
      {"sheet: a link to a file with content", Odd::LinkToContent, Odd::None},
      {"sheet: a dangling link, with a backup", Odd::Dangling, Odd::Sheet},
      {"sheet: empty", Odd::Empty, Odd::None},
      {"sheet: a folder", Odd::Folder, Odd::None},
      {"sheet: a FIFO", Odd::Fifo, Odd::None},
      {"sheet: a socket", Odd::Socket, Odd::None},
      {"sheet: gone", Odd::None, Odd::None},
  };
  std::string notHere;  // cases this platform cannot set up
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    TempFolder root;
    const Text library = root.Folder(u"library");
    const Text outside = root.Folder(u"outside");
    WriteBytes(outside + u"full.cue", kSheet);
    WriteBytes(outside + u"empty.cue", "");
    const auto make = [&](const Text& path, Odd odd) {
      const Text up = Text(u"..") + kFolderSeparator + u".." + kFolderSeparator + u"outside" +
                      kFolderSeparator;
      switch (odd) {
        case Odd::None: return true;
        case Odd::Sheet: WriteBytes(path, kSheet); return true;
        case Odd::Empty: WriteBytes(path, ""); return true;
        case Odd::Folder: MakeFolder(path); return true;
        case Odd::Fifo: return MakeFifo(path);
        case Odd::Socket: return MakeSocket(path);
        case Odd::LinkToContent: return MakeLink(up + u"full.cue", path);
        case Odd::LinkToEmpty: return MakeLink(up + u"empty.cue", path);
        case Odd::Dangling: return MakeLink(up + u"none.cue", path);
      }
      return false;
    };
    bool madeHere = true;
    for (const Text name : {u"A", u"B", u"C"}) {
      const Text games = root.Folder(u"library/" + name);
      AddSheet(games, u"good.cue");
      madeHere = madeHere && make(games + u"odd.cue", test.sheet) &&
                 make(games + u"odd.cue.bak", test.backup);
    }
    if (!madeHere) {
      notHere += std::string(" ") + test.what + ";";
      continue;
    }
    const Snapshot before = SnapshotOf(root.root);

    EXPECT_TRUE(Sweep(library));
    Snapshot expected = before;
    for (const Text name : {u"A", u"B", u"C"}) {
      const Text good = library + name + kFolderSeparator + u"good.cue";
      expected[Fs(good)] = "file " + kRepaired;
      expected[Fs(good + u".bak")] = "file " + kSheet;
    }
    EXPECT_EQ(SnapshotOf(root.root), expected);
  }
  if (!notHere.empty()) GTEST_SKIP() << "not possible here:" << notHere;
}

// Once a library is repaired, running again over it writes nothing: no
// file is replaced, touched or added, so backup and sync tools see no
// change.
TEST(SweepSubfolders, ASecondSweepWritesNothing) {
  TempFolder folder;
  const Text library = folder.Folder(u"library");
  for (int game = 0; game < 20; ++game) {
    const Text games = folder.Folder(u"library/g" + T(std::to_string(game)));
    for (int sheet = 0; sheet < 10; ++sheet) {
      AddSheet(games, u"s" + T(std::to_string(sheet)) + u".cue");
    }
  }
  ASSERT_TRUE(Sweep(library));
  const Snapshot repaired = StampsOf(folder.root);
  ASSERT_EQ(repaired.size(), 20u * (1 + 1 + 2 * 10) + 1);
  EXPECT_TRUE(RewriteReturned(library + u"g0" + kFolderSeparator + u"s0.cue"));
  EXPECT_TRUE(Sweep(library));
  EXPECT_EQ(StampsOf(folder.root), repaired);
}

// A sheet's new form left beside its backup with no sheet, as a run
// stopped between two renames leaves it: the sweep of its folder makes
// the sheet again from the backup. Without a backup, nothing is made.
TEST(SweepFolder, ASheetLeftWithoutItsNameGetsItBack) {
  for (const bool backedUp : {true, false}) {
    SCOPED_TRACE(backedUp);
    TempFolder folder;
    const Text a = folder.Folder(u"games/A");
    AddSheet(a, u"done.cue");
    WriteBytes(a + u"x.cue.brindlet-new", "FILE \"x.bin\" BIN");
    if (backedUp) WriteBytes(a + u"x.cue.bak", kSheet);
    EXPECT_TRUE(Sweep(folder.Folder(u"games")));
    EXPECT_TRUE(Repaired(a + u"done.cue"));
    EXPECT_EQ(Repaired(a + u"x.cue"), backedUp);
    EXPECT_EQ(Exists(a + u"x.cue"), backedUp);
    EXPECT_EQ(Exists(a + u"x.cue.brindlet-new"), !backedUp);
  }
}

// A folder with more sheets than one reading keeps is read again for the
// rest: every sheet is repaired all the same.
TEST(SweepFolder, AFolderOfThousandsOfSheets) {
  // The sweep is the same code on both; a Windows search started over is
  // tested with the listings, and 4,100 repairs take most of a minute under wine.
  if (kFolderSeparator != u'/') GTEST_SKIP() << "Linux only";
  TempFolder folder;
  const Text a = folder.Folder(u"games/A");
  constexpr int kSheets = 4100;
  AddSheet(a, u"s0.cue");
  for (int i = 1; i < kSheets; ++i) WriteBytes(a + u"s" + T(std::to_string(i)) + u".cue", kSheet);
  EXPECT_TRUE(Sweep(folder.Folder(u"games")));
  int repaired = 0;
  for (int i = 0; i < kSheets; ++i) repaired += Repaired(a + u"s" + T(std::to_string(i)) + u".cue");
  EXPECT_EQ(repaired, kSheets);
}

// A sweep trusts its listing of a folder to say which backups are absent.
// One made by another program after the listing is met as any backup is:
// it is never written over, and the sheet is left as it was.
TEST(SweepFolder, ABackupMadeAfterTheListingIsKept) {
  TempFolder folder;
  const Text a = folder.Folder(u"games/A");
  AddSheet(a, u"x.cue");
  StartNameRecord(a);
  for (const Text name : {u".", u"..", u"x.cue", u"x.bin", u"y.cue.bak"}) RecordName(name);
  WriteBytes(a + u"x.cue.bak", "another program's");
  ASSERT_TRUE(ListingLacks(a + u"x.cue.bak"));
  ASSERT_FALSE(ListingLacks(a + u"Y.CUE.BAK"));
  ScriptDialogAnswers({});
  RewriteReturned(a + u"x.cue");
  ForgetNameRecord();
  EXPECT_EQ(ReadBytes(a + u"x.cue.bak"), "another program's");
  EXPECT_EQ(ReadBytes(a + u"x.cue"), kSheet);
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
