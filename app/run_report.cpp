#include "app/run_report.h"

#include <cstdint>
#include <string>

#include "app/run_state.h"
#include "ui/console_output.h"

namespace {

// The words that begin the line of each outcome.
struct OutcomeWords {
  Outcome outcome;
  TextView words;
};

constexpr OutcomeWords kWords[] = {
    {Outcome::Repaired, u"repaired"},
    {Outcome::AlreadyRight, u"already right"},
    {Outcome::SheetMade, u"sheet made"},
    {Outcome::Restored, u"restored"},
    {Outcome::PlaylistWritten, u"playlist written"},
    {Outcome::NoBackup, u"left as it was (no backup)"},
    {Outcome::SheetThere, u"left as it was (its sheet is there)"},
    {Outcome::OtherPlaylist, u"left as it was (another playlist)"},
    {Outcome::NotASheet, u"left as it was (not a sheet)"},
    {Outcome::Missing, u"passed over (missing)"},
    {Outcome::Link, u"passed over (a link)"},
    {Outcome::NotAFile, u"passed over (not a plain file)"},
    {Outcome::Empty, u"passed over (empty)"},
    {Outcome::HeldElsewhere, u"passed over (held by another run)"},
    {Outcome::NotWritable, u"passed over (not writable)"},
    {Outcome::ReadOnlyDisk, u"passed over (a read-only disk)"},
    {Outcome::BackupLink, u"passed over (its backup is a link)"},
    {Outcome::BackupNotAFile, u"passed over (its backup is not a plain file)"},
    {Outcome::ChangedSinceRepair, u"passed over (changed since its repair)"},
    {Outcome::ChangedMeanwhile, u"passed over (changed meanwhile)"},
    {Outcome::NameTooLong, u"passed over (a name too long)"},
    {Outcome::Refused, u"passed over (refused by the disk for this sheet)"},
    {Outcome::ImageMissing, u"passed over (an image missing)"},
    {Outcome::NotAsked, u"passed over (an image not given)"},
    {Outcome::Stopped, u"stopped (the disk took no write)"},
};

// The counts of the last line, by the outcomes they gather.
enum Count { kRepaired, kRight, kMade, kRestored, kPlaylists, kLeft, kPassed, kCounts };

Count CountOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Repaired:
      return kRepaired;
    case Outcome::AlreadyRight:
      return kRight;
    case Outcome::SheetMade:
      return kMade;
    case Outcome::Restored:
      return kRestored;
    case Outcome::PlaylistWritten:
      return kPlaylists;
    case Outcome::NoBackup:
    case Outcome::SheetThere:
    case Outcome::OtherPlaylist:
    case Outcome::NotASheet:
      return kLeft;
    default:
      return kPassed;
  }
}

struct ReportState {
  RunOptions options;
  Text shownFrom;
  Text workingOn;
  int64_t counts[kCounts] = {};
  bool stopped = false;
};

ReportState gReport;

Text Shown(const Text& path) {
  if (!gReport.shownFrom.empty() && path.size() > gReport.shownFrom.size() &&
      path.compare(0, gReport.shownFrom.size(), gReport.shownFrom) == 0) {
    return path.substr(gReport.shownFrom.size());
  }
  return path;
}

Text Number(int64_t value) {
  const std::string digits = std::to_string(value);
  return Text(digits.begin(), digits.end());
}

// The line a report gives for an outcome: its words, ": ", the path.
Text ReportLine(Outcome outcome, const Text& shownPath) {
  for (const OutcomeWords& words : kWords) {
    if (words.outcome == outcome) return Text(words.words) + u": " + shownPath;
  }
  return shownPath;
}

}  // namespace

void StartReport(const RunOptions& options) {
  gReport = ReportState();
  gReport.options = options;
}

void SetShownFrom(const Text& folder) { gReport.shownFrom = folder; }

const RunOptions& Options() { return gReport.options; }

void Report(Outcome outcome, const Text& path) {
  gReport.workingOn.clear();
  ++gReport.counts[CountOf(outcome)];
  if (outcome == Outcome::Stopped) gReport.stopped = true;
  if (gReport.options.verbose || gReport.options.dryRun) {
    WriteConsoleLine(ReportLine(outcome, Shown(path)));
  }
}

void SetWorkingOn(const Text& path) { gReport.workingOn = path; }

bool KeepsSheet(Outcome outcome) {
  return outcome == Outcome::Repaired || outcome == Outcome::AlreadyRight ||
         outcome == Outcome::Restored || outcome == Outcome::NoBackup;
}

void FinishReport() {
  const Text stoppedAt = gReport.workingOn;  // Report clears it
  if (!stoppedAt.empty()) Report(Outcome::Stopped, stoppedAt);
  if (gReport.options.verbose || gReport.options.dryRun) {
    const int64_t* n = gReport.counts;
    WriteConsoleLine(Text(gReport.options.dryRun ? u"total (dry run): " : u"total: ") +
                     Number(n[kRepaired]) + u" repaired, " + Number(n[kRight]) +
                     u" already right, " + Number(n[kMade]) + u" sheets made, " +
                     Number(n[kRestored]) + u" restored, " + Number(n[kPlaylists]) +
                     u" playlists written, " + Number(n[kLeft]) + u" left as they were, " +
                     Number(n[kPassed]) + u" passed over");
    FlushConsole();
  }
  // The default run exits 0 whatever befell it, as it always has.
  if (gReport.stopped && AnyOption(gReport.options)) gRun.exitCode = 1;
  gReport = ReportState();
}
