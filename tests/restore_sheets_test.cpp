#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "files/platform_file.h"
#include "tests/support/other_opener.h"
#include "tests/support/report_of_run.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

const std::string kSheet = "FILE \"Game.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\nINDEX 01 00:00:00\r\n";

RunOptions Restore(bool dryRun = false) {
  RunOptions options;
  options.restore = true;
  options.verbose = true;
  options.dryRun = dryRun;
  return options;
}

// Every fixture sheet of tests/data in a folder of its own below library,
// with the images its repaired form names beside it where the platform
// can make them; the others are asked for, and the question cancelled.
void FillLibrary(const Text& library) {
  for (const auto& entry : fs::directory_iterator(fs::u8path(BRINDLET_TEST_DATA))) {
    const std::string name = entry.path().filename().u8string();
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".cue") != 0 ||
        name.find(".expected.") != std::string::npos) {
      continue;
    }
    const std::string stem = name.substr(0, name.size() - 4);
    const Text folder = library + T(stem) + kFolderSeparator;
    MakeFolder(folder);
    WriteBytes(folder + T(name), ReadBytes(entry.path().u16string()));
    const std::string expected =
        ReadBytes(T(BRINDLET_TEST_DATA + stem + ".expected.cue"));
    for (size_t at = expected.find("FILE \""); at != std::string::npos;
         at = expected.find("FILE \"", at + 1)) {
      const std::string image = expected.substr(at + 6, expected.find('"', at + 6) - at - 6);
      const Text imageName = DecodeUtf8KeepingBytes(image.data(), image.size());
      // Windows names are UTF-16: bytes that are not UTF-8 name no file there.
      if (!image.empty() && (kFolderSeparator == u'/' || !HoldsByteStandIns(imageName))) {
        WriteBytes(folder + imageName, "x");
      }
    }
  }
}

// The files below root with their content and, where the platform has
// them, their file numbers: what a restore must give back.
Snapshot FilesOf(const fs::path& root) {
  Snapshot files = SnapshotOf(root);
  const Snapshot stamps = StampsOf(root);
  for (auto& [path, what] : files) {
    const std::string& stamp = stamps.at(path);
    if (what.compare(0, 5, "file ") == 0) what += stamp.substr(stamp.find(' ') + 1);
  }
  return files;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

// Sweeping a library of every fixture and restoring it gives back every
// file as it was, the very file where the backup was a second name of it,
// but for a sheet edited after its repair, which keeps its edit.
TEST(RestoreSheets, ARepairedLibraryComesBackAsItWas) {
  TempFolder folder;
  const Text library = folder.Folder(u"library");
  FillLibrary(library);
  const Snapshot before = FilesOf(folder.root);
  ScriptDialogAnswers({});
  ASSERT_TRUE(RunProgramToEnd({library}));
  ASSERT_NE(FilesOf(folder.root), before) << "the sweep repaired nothing";
  const Text edited = library + u"lower_case" + kFolderSeparator + u"lower_case.cue";
  ASSERT_NE(ReadBytes(edited + u".bak"), "<missing>");
  WriteBytes(edited, ReadBytes(edited) + "REM mine\r\n");
  const std::string editedBytes = ReadBytes(edited);

  const Snapshot repaired = FilesOf(folder.root);
  ScriptDialogAnswers({});
  EXPECT_EQ(ReportOfRun({library}, Restore(true)).back().substr(0, 16), "total (dry run):");
  EXPECT_EQ(FilesOf(folder.root), repaired) << "a dry run changed files";
  EXPECT_TRUE(DialogRequests().empty());

  ScriptDialogAnswers({});
  const std::vector<std::string> lines = ReportOfRun({library}, Restore());
  EXPECT_TRUE(DialogRequests().empty());
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "passed over (changed since its repair): " + EncodeUtf8(edited)),
            lines.end());
  EXPECT_EQ(ReadBytes(edited), editedBytes);
  Snapshot after = FilesOf(folder.root);
  EXPECT_EQ(after.erase(Fs(edited + u".bak")), 1u);
  Snapshot expected = before;
  expected[Fs(edited)] = after[Fs(edited)];
  EXPECT_EQ(after, expected);
}

// Each sheet a restore meets, by the reason it is restored or passed over.
TEST(RestoreSheets, RestoresOnlyWhatARepairChanged) {
  TempFolder folder;
  const Text games = folder.Folder(u"lib/games");
  const Text other = folder.Folder(u"other");
  WriteBytes(games + u"Game.bin", "x");
  const std::vector<Text> names = {u"gone.cue", u"emptied.cue", u"held.cue", u"linked.bak.cue",
                                   u"self.cue", u"asked.cue"};
  for (const Text& name : names) WriteBytes(games + name, kSheet);
  WriteBytes(games + u"asked.cue", "FILE \"Lost Disc.bin\" WAVE\r\n");
  WriteBytes(games + u"never.cue", "FILE \"Game.bin\" BINARY\r\n");
  ScriptDialogAnswers({u"Found.bin"});
  ASSERT_TRUE(RunProgramToEnd({folder / u"lib"}));
  ASSERT_EQ(ReadBytes(games + u"asked.cue"), "FILE \"Found.bin\" BINARY\r\n");

  fs::remove(Fs(games + u"gone.cue"));
  WriteBytes(games + u"emptied.cue", "");
  const bool links = MakeLink(games + u"held.cue", games + u"link.cue");
  if (links) {
    fs::rename(Fs(games + u"linked.bak.cue.bak"), Fs(other + u"real.bak"));
    MakeLink(other + u"real.bak", games + u"linked.bak.cue.bak");
  }
  // A run stopped between its two steps leaves the backup a second name
  // of the sheet on Linux; Windows keeps the backup in the same call.
  const bool posix = kFolderSeparator == u'/';
  if (posix) {
    fs::remove(Fs(games + u"self.cue"));
    fs::create_hard_link(Fs(games + u"self.cue.bak"), Fs(games + u"self.cue"));
  }
  const PlatformFile held = HoldAsAnotherOpener(games + u"held.cue", true);
  ASSERT_NE(held, kNoPlatformFile);

  std::vector<std::string> expected = {
      "restored: lib/games/gone.cue",
      "restored: lib/games/emptied.cue",
      "passed over (held by another run): lib/games/held.cue",
      "restored: lib/games/asked.cue",
      "left as it was (no backup): lib/games/never.cue",
      // Given first, then reached again by the sweep, now as it was.
      "left as it was (no backup): lib/games/gone.cue",
      "restored: lib/games/self.cue",
      links ? "passed over (its backup is a link): lib/games/linked.bak.cue"
            : "restored: lib/games/linked.bak.cue",
  };
  if (links) expected.push_back("passed over (a link): lib/games/link.cue");
  auto count = [&](const std::string& start) {
    return std::to_string(std::count_if(expected.begin(), expected.end(), [&](const auto& line) {
      return line.compare(0, start.size(), start) == 0;
    }));
  };
  const fs::path startFolder = fs::current_path();
  fs::current_path(folder.root);
  const std::vector<Text> given = {u"lib/games/gone.cue", u"lib"};
  std::vector<std::string> lines = ReportOfRun(given, Restore());
  fs::current_path(startFolder);
  ClosePlatformFile(held);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "total: 0 repaired, 0 already right, 0 sheets made, " +
                              count("restored") + " restored, 0 playlists written, " +
                              count("left") + " left as they were, " + count("passed") +
                              " passed over");
  lines.pop_back();
  for (std::string& line : lines) std::replace(line.begin(), line.end(), '\\', '/');
  EXPECT_EQ(Sorted(lines), Sorted(expected));

  for (const Text name : {u"gone.cue", u"emptied.cue", u"self.cue"}) {
    EXPECT_EQ(ReadBytes(games + name), kSheet) << EncodeUtf8(name);
    EXPECT_FALSE(Exists(games + name + u".bak")) << EncodeUtf8(name);
  }
  EXPECT_EQ(ReadBytes(games + u"asked.cue"), "FILE \"Lost Disc.bin\" WAVE\r\n");
  EXPECT_NE(ReadBytes(games + u"held.cue"), kSheet);
  EXPECT_TRUE(Exists(games + u"held.cue.bak"));
  EXPECT_EQ(ReadBytes(games + u"never.cue"), "FILE \"Game.bin\" BINARY\r\n");
}
