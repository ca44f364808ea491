#pragma once

#include "text/text.h"

// The backups a sweep's listing of one folder showed, kept while the
// folder's sheets are repaired, so that the backup of a sheet never
// repaired is not looked for on disk once per sheet. Only names ending in
// ".bak" (in any letter case) are kept, and asked about; only absence is
// answered: a name listed may have gone since, and is looked at as before.
// Names are kept as 8-byte digests, with ASCII letters folded, so a folder
// of any size costs little and a digest shared by two names can only make
// a name seem present, never absent. A backup that appears after the
// listing (another program's) is met as any existing file is when the run
// tries to make it: kept, never written over.

// Starts a record of the names in folder (a path ending in its separator),
// in place of any record before.
void StartNameRecord(const Text& folder);

// Adds a name the listing showed, if it is a backup's.
void RecordName(const Text& name);

// Whether path, a backup's, lies directly in the folder recorded and its
// name was not listed. False where no record covers the path, and for a
// name that is no backup's.
bool ListingLacks(const Text& path);

void ForgetNameRecord();
