#pragma once

#include <cstdint>

#include "text/text.h"

// The platform's directory search beneath the listing service.
using FolderSearch = intptr_t;

struct FolderEntry {
  Text name;
  bool isFolder = false;
};

enum class SearchStart { Found, NothingMatched, Failed };

// Starts a search of "folder<separator>pattern". Entries match by their
// own names alone, never through a short alias the platform keeps. On
// Found, *first holds the first match and *search must be ended with
// EndFolderSearch.
SearchStart StartFolderSearch(const Text& searchPath, FolderSearch* search, FolderEntry* first);

// The next match, or false when there is none.
bool ContinueFolderSearch(FolderSearch search, FolderEntry* entry);

// Starts the search over, from the folder as it is now: *first holds the
// first match. False when nothing matches now; the search must still be
// ended.
bool RewindFolderSearch(FolderSearch search, FolderEntry* first);

void EndFolderSearch(FolderSearch search);
