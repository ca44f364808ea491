#pragma once

#include <cstdint>

#include "text/text.h"

// Handle of an open listing; 0 names none and is what a failed open gives.
using ListingHandle = intptr_t;

// Opens a listing of the entries of folder whose names match pattern
// ("*" any run, "?" one character, letters in any case; "" means "*.*").
// A folder that exists but
// holds no match gives a listing with no entries; a folder that cannot be
// listed gives 0. "." and ".." are reported wherever the folder has them.
ListingHandle ListFolder(const Text& folder, const Text& pattern);

// Moves to the next entry: nonzero if there is one.
int32_t NextEntry(ListingHandle listing);

// Goes back to before the first entry, so that the folder is read again as
// it is now, without a second open. A listing that matched nothing at its
// start stays empty.
void RewindListing(ListingHandle listing);

// The bare name of the current entry, or "": good until the listing moves on.
const Text& EntryName(ListingHandle listing);

// 2 for a folder (links followed), 1 for anything else, 0 for no listing.
int32_t EntryType(ListingHandle listing);

void FinishListing(ListingHandle listing);

// Finishes every listing still open, newest first.
void FinishAllListings();

// The path the platform search is started with: folder, separator, pattern.
Text SearchPathFor(const Text& folder, const Text& pattern);
