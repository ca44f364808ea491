#pragma once

#include "text/text.h"

// What a sweep's listing of one folder showed, kept while the folder's
// sheets are repaired, so that a name it did not show (the backup of a
// sheet never repaired, most often) is not looked for on disk once per
// sheet. Only absence is answered: a name listed may have gone since, and
// is looked at as before. Names are kept as 8-byte digests, with ASCII
// letters folded, so a folder of any size costs little and a digest shared by two
// names can only make a name seem present, never absent. A name that
// appears after the listing (another program's backup) is met as any
// existing file is when the run tries to make it: kept, never written over.

// Starts a record of the names in folder (a path ending in its separator),
// in place of any record before.
void StartNameRecord(const Text& folder);

// Adds a name the listing showed.
void RecordName(const Text& name);

// Whether path lies directly in the folder recorded and its name was not
// listed. False where no record covers the path.
bool ListingLacks(const Text& path);

void ForgetNameRecord();
