#include "files/folder_listing.h"

#include <algorithm>
#include <vector>

#include "files/folder_search.h"
#include "files/held_folders.h"
#include "text/path_separator.h"

namespace {

struct FolderListing {
  bool open = false;
  bool searching = false;  // false: the search matched nothing
  bool delivered = true;   // the first entry has been handed out already
  FolderSearch search = 0;
  FolderEntry current;
  // Held while the listing is open, so that whatever is done with its
  // entries happens in the folder that was listed.
  FolderHold hold = 0;
};

struct DynamicListing {
  ListingHandle handle;
  FolderListing listing;
};

// Numbered listings are their own handles (0 and up); dynamic ones get
// handles from -2 down, so the two kinds never collide.
std::vector<FolderListing> gNumbered;
std::vector<DynamicListing> gDynamic;  // oldest first
ListingHandle gLastDynamic = -1;

FolderListing* Find(ListingHandle handle) {
  if (handle >= 0 && handle < static_cast<ListingHandle>(gNumbered.size())) {
    FolderListing& listing = gNumbered[static_cast<size_t>(handle)];
    return listing.open ? &listing : nullptr;
  }
  for (DynamicListing& dynamic : gDynamic) {
    if (dynamic.handle == handle) return &dynamic.listing;
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

ListingHandle ListFolder(int32_t number, const Text& folder, const Text& pattern) {
  if (number < DynamicNumber) return 0;
  if (number >= 0) FinishListing(number);
  FolderListing listing;
  listing.hold = HoldFolder(WithFolderSeparator(folder));
  const SearchStart start = StartFolderSearch(SearchPathFor(folder, pattern), &listing.search,
                                              &listing.current);
  if (start == SearchStart::Failed) {
    if (listing.hold != 0) LetGoOfFolder(listing.hold);
    return 0;
  }
  listing.open = true;
  listing.searching = start == SearchStart::Found;
  listing.delivered = !listing.searching;

  if (number == DynamicNumber) {
    gDynamic.push_back({--gLastDynamic, listing});
    return gLastDynamic;
  }
  // Room grows to the number asked for plus 16, as a fixed table would.
  if (static_cast<size_t>(number) >= gNumbered.size()) gNumbered.resize(number + 16u);
  gNumbered[static_cast<size_t>(number)] = listing;
  return number + 1;  // any nonzero value says success; the number is the handle
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

Text EntryName(ListingHandle handle) {
  const FolderListing* listing = Find(handle);
  return listing == nullptr ? Text() : listing->current.name;
}

int32_t EntryType(ListingHandle handle) {
  const FolderListing* listing = Find(handle);
  if (listing == nullptr) return 0;
  return listing->current.isFolder ? 2 : 1;
}

void FinishListing(ListingHandle handle) {
  if (handle >= 0 && handle < static_cast<ListingHandle>(gNumbered.size())) {
    EndSearch(gNumbered[static_cast<size_t>(handle)]);
    return;
  }
  for (auto it = gDynamic.begin(); it != gDynamic.end(); ++it) {
    if (it->handle != handle) continue;
    EndSearch(it->listing);
    gDynamic.erase(it);
    return;
  }
}

void FinishAllListings() {
  for (FolderListing& listing : gNumbered) EndSearch(listing);
  while (!gDynamic.empty()) FinishListing(gDynamic.back().handle);
}
