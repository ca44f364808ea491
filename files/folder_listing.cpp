#include "files/folder_listing.h"

#include <vector>

#include "files/folder_search.h"
#include "files/held_folders.h"
#include "text/path_separator.h"

namespace {

struct FolderListing {
  bool searching = false;  // false: the search matched nothing
  bool delivered = true;   // the first entry has been handed out already
  FolderSearch search = 0;
  FolderEntry current;
  // Held while the listing is open, so that whatever is done with its
  // entries happens in the folder that was listed.
  FolderHold hold = 0;
};

struct OpenListing {
  ListingHandle handle;
  FolderListing listing;
};

// The open listings, oldest first. A run holds two at most (the chosen
// folder's and one below it), so a short vector beats any map.
std::vector<OpenListing> gListings;
ListingHandle gLastHandle = 0;

FolderListing* Find(ListingHandle handle) {
  for (OpenListing& open : gListings) {
    if (open.handle == handle) return &open.listing;
  }
  return nullptr;
}

void EndSearch(FolderListing& listing) {
  if (listing.searching) EndFolderSearch(listing.search);
  if (listing.hold != 0) LetGoOfFolder(listing.hold);
  listing = FolderListing();
}

}  // namespace

Text SearchPathFor(const Text& folder, const Text& pattern) {
  return WithFolderSeparator(folder) + (pattern.empty() ? Text(u"*.*") : pattern);
}

ListingHandle ListFolder(const Text& folder, const Text& pattern) {
  FolderListing listing;
  listing.hold = HoldFolder(WithFolderSeparator(folder));
  const SearchStart start = StartFolderSearch(SearchPathFor(folder, pattern), &listing.search,
                                              &listing.current);
  if (start == SearchStart::Failed) {
    if (listing.hold != 0) LetGoOfFolder(listing.hold);
    return 0;
  }
  listing.searching = start == SearchStart::Found;
  listing.delivered = !listing.searching;
  gListings.push_back({++gLastHandle, listing});
  return gLastHandle;
}

int32_t NextEntry(ListingHandle handle) {
  FolderListing* listing = Find(handle);
  if (listing == nullptr || !listing->searching) return 0;
  if (!listing->delivered) {
    listing->delivered = true;
    return 1;
  }
  return ContinueFolderSearch(listing->search, &listing->current) ? 1 : 0;
}

void RewindListing(ListingHandle handle) {
  FolderListing* listing = Find(handle);
  if (listing == nullptr || !listing->searching) return;
  listing->delivered = !RewindFolderSearch(listing->search, &listing->current);
  // Nothing matches now: the search stays open, with nothing more to give.
  if (listing->delivered) listing->current = FolderEntry();
}

const Text& EntryName(ListingHandle handle) {
  static const Text kNoName;
  const FolderListing* listing = Find(handle);
  return listing == nullptr ? kNoName : listing->current.name;
}

int32_t EntryType(ListingHandle handle) {
  const FolderListing* listing = Find(handle);
  if (listing == nullptr) return 0;
  return listing->current.isFolder ? 2 : 1;
}

void FinishListing(ListingHandle handle) {
  for (auto it = gListings.begin(); it != gListings.end(); ++it) {
    if (it->handle != handle) continue;
    EndSearch(it->listing);
    gListings.erase(it);
    return;
  }
}

// Newest first: an inner listing holds a folder inside an outer one's.
void FinishAllListings() {
  while (!gListings.empty()) FinishListing(gListings.back().handle);
}
