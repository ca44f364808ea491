#include "app/sweep_folders.h"

#include <vector>

#include "app/act_on_sheet.h"
#include "app/run_state.h"
#include "files/file_size.h"
#include "files/folder_listing.h"
#include "files/held_folders.h"
#include "files/listed_names.h"
#include "files/sheet_repair.h"
#include "files/wildcard_match.h"
#include "text/path_separator.h"

void SweepSubfolders(const Text& folder) {
  // The sweep's listing is one of the values the run keeps, beside the
  // chosen path and folder, so where a sweep stands can be seen from
  // outside it. EndRun finishes it with every other open listing, wherever
  // the run ends.
  gRun.listing = ListFolder(folder, u"*.*");
  if (gRun.listing == 0) return;
  // The folder's parent is fixed now, from the folder the listing holds:
  // a folder moved elsewhere while a question waits must not send the
  // sweep of its ".." entry to its new parent. The sweep of ".." finds
  // this hold by its path.
  const FolderHold parent = HoldFolder(folder + u".." + kFolderSeparator);
  while (NextEntry(gRun.listing)) {
    if (EntryType(gRun.listing) == 2) {
      SweepFolder(folder + EntryName(gRun.listing) + kFolderSeparator);
    }
  }
  if (parent != 0) LetGoOfFolder(parent);
  FinishListing(gRun.listing);
  gRun.listing = 0;
}

namespace {

// The sheet names one reading of a folder keeps; a folder with more is
// read a second time for the rest, so that memory stays small however
// many sheets share a folder.
constexpr size_t kSheetNamesKept = 4096;

}  // namespace

// One listing of the folder, read once for every name it holds, so that
// no sheet's absent backup is looked for, and the sheets among them.
void SweepFolder(const Text& folder) {
  static const Text kSheets = u"*.cue";
  const ListingHandle listing = ListFolder(folder, u"*.*");
  if (listing == 0) return;
  StartNameRecord(folder);
  std::vector<Text> sheetNames;
  bool moreSheets = false;
  // A sheet's new form beside its backup, with no sheet: left by a run
  // stopped between two renames (an older build, another program). The
  // sheet is made again from its backup, and has its name back.
  std::vector<Text> lostNames;
  while (NextEntry(listing)) {
    const Text& name = EntryName(listing);
    RecordName(name);
    if (MatchesWildcard(name, kSheets)) {
      moreSheets = moreSheets || sheetNames.size() == kSheetNamesKept;
      if (!moreSheets) sheetNames.push_back(name);
      continue;
    }
    Text lost = SheetLeftAs(name);
    if (!lost.empty()) lostNames.push_back(std::move(lost));
  }
  if (moreSheets) {
    sheetNames.clear();
    RewindListing(listing);
    while (NextEntry(listing)) {
      const Text& name = EntryName(listing);
      if (MatchesWildcard(name, kSheets)) ActOnSheet(folder + name);
    }
  }
  for (const Text& name : sheetNames) ActOnSheet(folder + name);
  for (const Text& name : lostNames) {
    const Text sheet = folder + name;
    if (FileSize(sheet) == kNoFile && FileSize(sheet + u".bak") >= 1) ActOnSheet(sheet);
  }
  ForgetNameRecord();
  FinishListing(listing);
}
