#include <gtest/gtest.h>

#include <map>

#include "files/folder_listing.h"
#include "files/wildcard_match.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"

namespace {

// Every entry of a listing, name to type, in whatever order it came.
std::map<Text, int32_t> EntriesOf(const Text& folder, const Text& pattern) {
  std::map<Text, int32_t> entries;
  const ListingHandle listing = ListFolder(folder, pattern);
  EXPECT_NE(listing, 0);
  while (NextEntry(listing)) entries[EntryName(listing)] = EntryType(listing);
  EXPECT_EQ(NextEntry(listing), 0);
  FinishListing(listing);
  return entries;
}

using Entries = std::map<Text, int32_t>;

}  // namespace

TEST(SearchPathFor, AddsOneSeparatorAndADefaultPattern) {
  const Text s(1, kFolderSeparator);
  EXPECT_EQ(SearchPathFor(u"C:" + s + u"discs" + s, u"*.*"), u"C:" + s + u"discs" + s + u"*.*");
  EXPECT_EQ(SearchPathFor(u"C:" + s + u"discs", u"*.*"), u"C:" + s + u"discs" + s + u"*.*");
  EXPECT_EQ(SearchPathFor(u"C:" + s + u"discs", u""), u"C:" + s + u"discs" + s + u"*.*");
  EXPECT_EQ(SearchPathFor(u"", u"*.cue"), u"*.cue");
}

TEST(MatchesWildcard, TheWindowsRules) {
  EXPECT_TRUE(MatchesWildcard(u"a.cue", u"*.cue"));
  EXPECT_TRUE(MatchesWildcard(u"A.CUE", u"*.cue"));
  EXPECT_TRUE(MatchesWildcard(u"b.Cue", u"*.cue"));
  EXPECT_FALSE(MatchesWildcard(u"a.cue.bak", u"*.cue"));
  EXPECT_FALSE(MatchesWildcard(u".", u"*.cue"));
  EXPECT_FALSE(MatchesWildcard(u"..", u"*.cue"));
  EXPECT_TRUE(MatchesWildcard(u".cue", u"*.cue"));
  EXPECT_FALSE(MatchesWildcard(u"cue", u"*.cue"));
  for (const Text& name : std::vector<Text>{u".", u"..", u"noext", u"a.b.c", u"x.cue"}) {
    EXPECT_TRUE(MatchesWildcard(name, u"*.*"));
  }
  EXPECT_TRUE(MatchesWildcard(u"ab", u"a?"));
  EXPECT_FALSE(MatchesWildcard(u"a", u"a?"));
  EXPECT_TRUE(MatchesWildcard(u"track01.bin", u"track*.b?n"));
  EXPECT_TRUE(MatchesWildcard(u"readme", u"readme.*"));
  EXPECT_FALSE(MatchesWildcard(u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", u"*a*a*a*a*a*a*a*a*c"));
}

TEST(ListFolder, ReportsDotEntriesAndTypes) {
  TempFolder folder;
  EXPECT_EQ(EntriesOf(folder.Path(), u"*.*"), (Entries{{u".", 2}, {u"..", 2}}));

  WriteBytes(folder / u"A.CUE", "x");
  WriteBytes(folder / u"b.Cue", "x");
  WriteBytes(folder / u"c.cue.bak", "x");
  WriteBytes(folder / u"noext", "x");
  MakeFolder(folder / u"x.cue");
  MakeFolder(folder / u"sub");
  EXPECT_EQ(EntriesOf(folder.Path(), u"*.cue"), (Entries{{u"A.CUE", 1}, {u"b.Cue", 1}, {u"x.cue", 2}}));
  EXPECT_EQ(EntriesOf(folder.Path(), u"*.*"),
            (Entries{{u".", 2}, {u"..", 2}, {u"A.CUE", 1}, {u"b.Cue", 1}, {u"c.cue.bak", 1},
                     {u"noext", 1}, {u"x.cue", 2}, {u"sub", 2}}));
  // The same without the closing separator, and with no pattern at all.
  Text bare = folder.Path();
  bare.pop_back();
  EXPECT_EQ(EntriesOf(bare, u"").size(), 8u);
}

TEST(ListFolder, EmptyAndFailedListings) {
  TempFolder folder;
  const ListingHandle empty = ListFolder(folder.Path(), u"*.cue");
  EXPECT_NE(empty, 0);
  EXPECT_EQ(NextEntry(empty), 0);
  EXPECT_EQ(NextEntry(empty), 0);
  FinishListing(empty);

  EXPECT_EQ(ListFolder(folder / u"missing", u"*.*"), 0);
  EXPECT_EQ(ListFolder(folder / u"missing", u"*.cue"), 0);
  WriteBytes(folder / u"file", "x");
  EXPECT_EQ(ListFolder(folder / u"file", u"*.*"), 0);

  EXPECT_EQ(NextEntry(0), 0);
  EXPECT_EQ(EntryName(0), u"");
  EXPECT_EQ(EntryType(0), 0);
  FinishListing(0);
  EXPECT_EQ(NextEntry(empty), 0);  // finished: names nothing any more
}

TEST(ListFolder, TwoListingsAtOnceAreIndependent) {
  TempFolder folder;
  MakeFolder(folder / u"one");
  MakeFolder(folder / u"two");
  WriteBytes(folder / u"one" + Text(1, kFolderSeparator) + u"a.cue", "x");
  const ListingHandle outer = ListFolder(folder.Path(), u"*.*");
  ASSERT_NE(outer, 0);
  int outerCount = 0;
  while (NextEntry(outer)) {
    ++outerCount;
    const ListingHandle inner = ListFolder(folder / u"one", u"*.cue");
    ASSERT_NE(inner, 0);
    EXPECT_NE(inner, outer);
    ASSERT_NE(NextEntry(inner), 0);
    EXPECT_EQ(EntryName(inner), u"a.cue");
    FinishListing(inner);
  }
  FinishListing(outer);
  EXPECT_EQ(outerCount, 4);
}

// A listing read again from its start sees the folder as it is now.
TEST(ListFolder, ARewoundListingReadsTheFolderAgain) {
  TempFolder folder;
  WriteBytes(folder / u"a.cue", "x");
  const ListingHandle listing = ListFolder(folder.Path(), u"*.cue");
  ASSERT_NE(NextEntry(listing), 0);
  EXPECT_EQ(NextEntry(listing), 0);
  WriteBytes(folder / u"b.cue", "x");
  RewindListing(listing);
  Entries again;
  while (NextEntry(listing)) again[EntryName(listing)] = EntryType(listing);
  FinishListing(listing);
  EXPECT_EQ(again, (Entries{{u"a.cue", 1}, {u"b.cue", 1}}));
}

TEST(ListFolder, FinishingAllEndsEveryListing) {
  TempFolder folder;
  WriteBytes(folder / u"a.cue", "x");
  const ListingHandle outer = ListFolder(folder.Path(), u"*.*");
  const ListingHandle inner = ListFolder(folder.Path(), u"*.cue");
  ASSERT_NE(NextEntry(inner), 0);
  FinishAllListings();
  EXPECT_EQ(NextEntry(outer), 0);
  EXPECT_EQ(NextEntry(inner), 0);
}

TEST(ListFolder, TheRootHasNoDotEntries) {
  const Text root = kFolderSeparator == u'/' ? Text(u"/") : Text(u"C:\\");
  const Entries entries = EntriesOf(root, u"*.*");
  EXPECT_FALSE(entries.empty());
  EXPECT_EQ(entries.count(u"."), 0u);
  EXPECT_EQ(entries.count(u".."), 0u);
}
