#pragma once

#include "app/command_line.h"
#include "text/text.h"

// What became of one sheet, image or playlist a run reached. The report
// of -v and -n gives each its own line, and counts them by kind.
enum class Outcome {
  // Done (or, in a dry run, what would be done).
  Repaired,
  AlreadyRight,
  SheetMade,  // for an image
  Restored,
  PlaylistWritten,
  // Left as it was, and rightly so.
  NoBackup,       // no repair ever changed the sheet: nothing to restore
  SheetThere,     // an image whose sheet already has content
  OtherPlaylist,  // the user's own playlist of that name
  NotASheet,      // neither sheet, image nor folder; or an image in a restore
  // Passed over.
  Missing,
  Link,
  NotAFile,
  Empty,
  HeldElsewhere,
  NotWritable,
  ReadOnlyDisk,
  BackupLink,
  BackupNotAFile,
  ChangedSinceRepair,
  ChangedMeanwhile,
  NameTooLong,
  Refused,        // the disk refused this sheet alone: a folder in the way, a rename not allowed
  ImageMissing,   // a dry run asks nothing
  NotAsked,       // the question for a missing image could not be shown
  // The disk refused a write: the run ends here.
  Stopped,
};

// Sets up the report of a run with these options. Paths given relative
// to the current folder are shown relative to it: SetShownFrom names the
// folder to leave off (with its separator), "" for none.
void StartReport(const RunOptions& options);
void SetShownFrom(const Text& folder);

// The run's options, as StartReport was given them.
const RunOptions& Options();

// Reports what became of path; with -v or -n, as a line.
void Report(Outcome outcome, const Text& path);

// The sheet or image being worked on: should the run end inside its work
// (a full disk), FinishReport reports it as where the run stopped.
void SetWorkingOn(const Text& path);

// Whether the outcome leaves a sheet fit to be listed in a playlist.
bool KeepsSheet(Outcome outcome);

// Ends the report: the line of counts, the output flushed, and the exit
// code of a run with options that the disk stopped. EndRun calls it.
void FinishReport();
