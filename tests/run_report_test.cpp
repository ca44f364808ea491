#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "files/platform_file.h"
#include "tests/support/other_opener.h"
#include "tests/support/report_of_run.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kSheet = "FILE \"Game.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n";
const std::string kRepaired = "FILE \"Game.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n";

// The lines of a golden report in tests/data, which lists them sorted,
// the line of counts last, as ReportLines gives them.
std::vector<std::string> Golden(const std::string& name) {
  std::vector<std::string> lines;
  std::istringstream golden(ReadBytes(T(BRINDLET_TEST_DATA + name)));
  for (std::string line; std::getline(golden, line);) lines.push_back(line);
  return lines;
}

// A run's report with its lines in byte order, the counts left last: a
// sweep meets the entries of a folder in whatever order the disk has.
std::vector<std::string> ReportLines(const std::vector<Text>& paths, const RunOptions& options) {
  std::vector<std::string> lines = ReportOfRun(paths, options);
  if (!lines.empty()) std::sort(lines.begin(), lines.end() - 1);
  return lines;
}

// A library that meets every outcome a repair and a dry run report.
void FillLibrary(const Text& lib) {
  MakeFolder(lib + u"games");
  MakeFolder(lib + u"images");
  const Text games = lib + u"games/";
  WriteBytes(games + u"Game.bin", "x");
  WriteBytes(games + u"Good.cue", kSheet);
  WriteBytes(games + u"Right.cue", kRepaired);
  WriteBytes(games + u"Lost.cue", "FILE \"Lost.bin\" BINARY\r\n");
  WriteBytes(games + u"Empty.cue", "");
  MakeLink(games + u"Right.cue", games + u"Link.cue");
  MakeFolder(games + u"Folder.cue");
  WriteBytes(games + u"Held.cue", kSheet);
  WriteBytes(games + u"Bad backup.cue", kSheet);
  MakeLink(games + u"Good.cue", games + u"Bad backup.cue.bak");
  WriteBytes(games + Text(250, u'L') + u".cue", kSheet);  // its backup's name is too long
  WriteBytes(games + u"Saga (Disc 1).cue", kRepaired);
  WriteBytes(games + u"Saga (Disc 2).cue", kRepaired);
  WriteBytes(lib + u"images/Racer.iso", "x");
  WriteBytes(lib + u"images/Made.iso", "x");
  WriteBytes(lib + u"images/Made.cue", "FILE \"Made.iso\" BINARY\r\n");
  WriteBytes(lib + u"notes.txt", "x");
}

}  // namespace

// The lines of -n and -v over one library, given by relative paths, as
// the golden files in tests/data have them; a dry run changes nothing on
// disk and asks nothing.
TEST(RunReport, DryRunAndVerboseLinesOfOneLibrary) {
  TempFolder folder;
  if (!MakeLink(folder / u"target", folder / u"link")) GTEST_SKIP() << "no symbolic links here";
  FillLibrary(folder.Folder(u"lib"));
  const PlatformFile held = HoldAsAnotherOpener(folder / u"lib/games/Held.cue", true);
  ASSERT_NE(held, kNoPlatformFile);
  const Snapshot files = SnapshotOf(folder.root);
  const Snapshot stamps = StampsOf(folder.root);
  const fs::path startFolder = fs::current_path();
  fs::current_path(folder.root);
  const std::vector<Text> paths = {u"lib", u"lib/images/Racer.iso", u"lib/images/Made.iso",
                                   u"lib/notes.txt"};
  RunOptions options;
  options.playlists = true;
  options.dryRun = true;
  ScriptDialogAnswers({u"Found.bin"});
  const std::vector<std::string> dryRun = ReportLines(paths, options);
  const bool asked = !DialogRequests().empty();
  const bool changed = SnapshotOf(folder.root) != files || StampsOf(folder.root) != stamps;
  options.dryRun = false;
  options.verbose = true;
  const std::vector<std::string> verbose = ReportLines(paths, options);
  fs::current_path(startFolder);
  ClosePlatformFile(held);

  EXPECT_EQ(dryRun, Golden("report_dry_run.expected.txt"));
  EXPECT_FALSE(asked) << "a dry run showed a dialog";
  EXPECT_FALSE(changed) << "a dry run changed the library";
  EXPECT_EQ(verbose, Golden("report_verbose.expected.txt"));
  EXPECT_EQ(ReadBytes(folder / u"lib/games/Lost.cue"), "FILE \"Found.bin\" BINARY\r\n");
}
