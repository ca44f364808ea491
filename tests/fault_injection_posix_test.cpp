// Runs that meet a full disk, an unreadable backup, or a tree that changes
// under a sweep. Each run happens in a child process, so a limit on file
// sizes stays there and a hang shows up as the child's alarm instead of a
// stuck suite. Whatever happens, the run must end with exit code 0 and no
// sheet's original bytes may be lost.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>

#include "app/rewrite_cue_sheet.h"
#include "files/folder_listing.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/string_helpers.h"

namespace {

using DialogAction = std::function<Text(const FileDialogRequest&)>;

// Runs body in a child that ignores SIGXFSZ (so a write past the limit
// fails with EFBIG, as on a full disk) and is killed after 20 seconds.
// The child's exit code, or 128 + the signal that ended it.
int InChild(const std::function<int()>& body, rlim_t fileSizeLimit = RLIM_INFINITY) {
  const pid_t child = fork();
  if (child == 0) {
    alarm(20);
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {fileSizeLimit, fileSizeLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// 0 when the whole program, choosing "all" in folder, ended with exit code 0.
int SweepInChild(const Text& folder, const DialogAction& onOpenDialog,
                 rlim_t fileSizeLimit = RLIM_INFINITY) {
  return InChild(
      [&] {
        ScriptDialogAction([&](const FileDialogRequest& request) {
          return request.kind == FileDialogKind::Save ? folder + u"all" : onOpenDialog(request);
        });
        return RunProgramToEnd() ? 0 : 1;
      },
      fileSizeLimit);
}

Text Cancel(const FileDialogRequest&) { return Text(); }

// The folder of the sheet that asks for its image, as the sheets' own
// paths spell it.
Text AskingFolder(const FileDialogRequest& request) {
  return request.initialFolder + kFolderSeparator;
}

// The sheet that asks, which MakeLibrary names after its image "lost<s>.bin".
Text AskingSheet(const FileDialogRequest& request) {
  const Text& image = request.initialName;
  return AskingFolder(request) + u"s" + image.substr(4, image.size() - 8) + u".cue";
}

// LF line ends, no indentation and audio tracks without a pregap: the
// repaired sheet comes out about twice as long as this.
std::string GrowingSheet(int tracks, const std::string& image) {
  std::string sheet = "FILE \"" + image + "\" BINARY\n";
  for (int track = 1; track <= tracks; ++track) {
    sheet += "TRACK " + std::to_string(10 + track) + " AUDIO\nINDEX 01 0" +
             std::to_string(track % 10) + ":30:12\n";
  }
  return sheet;
}

using Originals = std::map<Text, std::string>;

// Folders g0, g1, ... under library, each with sheets s0.cue, s1.cue, ...
// whose image is missing, so that each of them asks for it.
Originals MakeLibrary(const Text& library, int folders, int sheetsPerFolder, int tracks = 3) {
  Originals originals;
  for (int f = 0; f < folders; ++f) {
    const Text folder = library + u"g" + T(std::to_string(f)) + kFolderSeparator;
    MakeFolder(folder);
    for (int s = 0; s < sheetsPerFolder; ++s) {
      const Text sheet = folder + u"s" + T(std::to_string(s)) + u".cue";
      originals[sheet] = GrowingSheet(tracks + f + s, "lost" + std::to_string(s) + ".bin");
      WriteBytes(sheet, originals[sheet]);
    }
  }
  return originals;
}

// A backup that is a file holds the original bytes; a sheet that is still
// a file and has no backup holds them itself. Sheets and backups the test
// took away or spoiled itself have nothing left to check.
void ExpectOriginalsSurvive(const Originals& originals) {
  for (const auto& [sheet, original] : originals) {
    const Text backup = sheet + u".bak";
    if (std::filesystem::is_regular_file(Fs(backup))) {
      EXPECT_EQ(ReadBytes(backup), original) << Fs(backup);
    } else if (std::filesystem::is_regular_file(Fs(sheet)) && !Exists(backup)) {
      EXPECT_EQ(ReadBytes(sheet), original) << Fs(sheet);
    }
  }
}

// How many of the sheets are folders now, and how many are gone.
size_t SheetsThat(const Originals& originals, bool (*condition)(const std::filesystem::path&)) {
  size_t count = 0;
  for (const auto& entry : originals) count += condition(Fs(entry.first)) ? 1 : 0;
  return count;
}
bool IsFolder(const std::filesystem::path& path) { return std::filesystem::is_directory(path); }
bool IsGone(const std::filesystem::path& path) { return !std::filesystem::exists(path); }

// The sheets still there and not rewritten yet: those without a backup.
std::vector<Text> NotVisitedYet(const Originals& originals) {
  std::vector<Text> sheets;
  for (const auto& entry : originals) {
    if (Exists(entry.first) && !Exists(entry.first + u".bak")) sheets.push_back(entry.first);
  }
  return sheets;
}

}  // namespace

TEST(FaultInjection, DiskFullWhileTheNewSheetIsWritten) {
  TempFolder folder;
  const Text sheet = folder / u"Racer.cue";
  const std::string original = GrowingSheet(40, "Racer.bin");
  WriteBytes(folder / u"Racer.bin", "x");
  const auto rewrite = [&] { return RewriteReturned(sheet) ? 10 : 20; };

  // Unlimited, for the full result.
  WriteBytes(sheet, original);
  ASSERT_EQ(InChild(rewrite), 10);
  const std::string repaired = ReadBytes(sheet);
  ASSERT_GT(repaired.size(), original.size());

  // The backup just fits, the new sheet does not: the rewrite carries on
  // to its end, the sheet holds what fitted, the backup the original.
  std::filesystem::remove(Fs(sheet + u".bak"));
  WriteBytes(sheet, original);
  EXPECT_EQ(InChild(rewrite, original.size()), 10);
  EXPECT_EQ(ReadBytes(sheet + u".bak"), original);
  EXPECT_EQ(ReadBytes(sheet), repaired.substr(0, original.size()));

  // The backup itself does not fit: no partial backup may stay behind to
  // be trusted later, and the run ends before the sheet is touched.
  std::filesystem::remove(Fs(sheet + u".bak"));
  WriteBytes(sheet, original);
  EXPECT_EQ(InChild(rewrite, original.size() - 1), 20);
  EXPECT_FALSE(Exists(sheet + u".bak"));
  EXPECT_EQ(ReadBytes(sheet), original);
}

TEST(FaultInjection, DiskFullDuringASweep) {
  TempFolder folder;
  const Text library = folder.Folder(u"library");
  const Originals originals = MakeLibrary(library, 6, 3);
  size_t smallest = SIZE_MAX;
  for (const auto& entry : originals) smallest = std::min(smallest, entry.second.size());
  // Room for the smallest sheets' backups, not for their repaired forms
  // nor for the larger sheets at all.
  EXPECT_EQ(SweepInChild(library, Cancel, smallest + 40), 0);
  ExpectOriginalsSurvive(originals);
}

TEST(FaultInjection, BackupsThatCannotBeReadLeaveTheirSheetsAlone) {
  enum class Spoil { HeldElsewhere, ReplacedByFolder, ReplacedByFifo };
  for (Spoil spoil : {Spoil::HeldElsewhere, Spoil::ReplacedByFolder, Spoil::ReplacedByFifo}) {
    SCOPED_TRACE(static_cast<int>(spoil));
    TempFolder folder;
    const Text library = folder.Folder(u"library");
    const Originals originals = MakeLibrary(library, 4, 2);
    ASSERT_EQ(SweepInChild(library, Cancel), 0);
    std::map<Text, std::string> repaired;
    for (const auto& entry : originals) repaired[entry.first] = ReadBytes(entry.first);

    // In the second sweep, the first sheet that asks spoils every backup
    // but its own, while the sweep is under way.
    std::vector<int> held;
    Text askingFolder;
    const int result = SweepInChild(library, [&](const FileDialogRequest& request) {
      if (!askingFolder.empty()) return Text();
      askingFolder = AskingFolder(request);
      for (const auto& entry : originals) {
        const Text backup = entry.first + u".bak";
        if (StringsEqual(FolderOf(entry.first), askingFolder)) continue;
        if (spoil == Spoil::HeldElsewhere) {
          const int fd = open(Fs(backup).c_str(), O_RDONLY);
          flock(fd, LOCK_EX | LOCK_NB);
          held.push_back(fd);
          continue;
        }
        std::filesystem::remove(Fs(backup));
        if (spoil == Spoil::ReplacedByFolder) MakeFolder(backup);
        if (spoil == Spoil::ReplacedByFifo) mkfifo(Fs(backup).c_str(), 0600);
      }
      return Text();
    });
    EXPECT_EQ(result, 0);
    // The sweep either went on past the spoiled sheets or ended at the
    // first; either way none of them was emptied or rewritten.
    for (const auto& entry : originals) {
      EXPECT_EQ(ReadBytes(entry.first), repaired[entry.first]) << Fs(entry.first);
    }
    ExpectOriginalsSurvive(originals);
  }
}

TEST(FaultInjection, FoldersRemovedDuringASweep) {
  // The folder of the sheet being rewritten, with its files open, or every
  // folder the sweep has not reached yet.
  for (const bool ownFolder : {true, false}) {
    SCOPED_TRACE(ownFolder);
    TempFolder folder;
    const Text library = folder.Folder(u"library");
    const Originals originals = MakeLibrary(library, 5, 3);
    int asked = 0;
    const int result = SweepInChild(library, [&](const FileDialogRequest& request) {
      if (asked++ > 0) return Text();
      if (ownFolder) {
        std::filesystem::remove_all(Fs(request.initialFolder));
      } else {
        for (const Text& sheet : NotVisitedYet(originals)) {
          if (!StringsEqual(FolderOf(sheet), AskingFolder(request))) {
            std::filesystem::remove_all(Fs(FolderOf(sheet)));
          }
        }
      }
      return Text();
    });
    EXPECT_EQ(result, 0);
    EXPECT_GT(SheetsThat(originals, IsGone), 0u);
    ExpectOriginalsSurvive(originals);
    if (!ownFolder) {
      EXPECT_TRUE(NotVisitedYet(originals).empty());  // the sweep went on
    }
  }
}

TEST(FaultInjection, SheetsReplacedByFoldersDuringASweep) {
  // The sheet being rewritten, sheets the sweep has not reached yet, and
  // sheets whose backups an earlier sweep made.
  for (const int variant : {0, 1, 2}) {
    SCOPED_TRACE(variant);
    TempFolder folder;
    const Text library = folder.Folder(u"library");
    const Originals originals = MakeLibrary(library, 4, 3);
    if (variant == 2) {
      ASSERT_EQ(SweepInChild(library, Cancel), 0);
    }
    int asked = 0;
    const int result = SweepInChild(library, [&](const FileDialogRequest& request) {
      if (asked++ > 0) return Text();
      for (const auto& entry : originals) {
        const bool isAsking = StringsEqual(entry.first, AskingSheet(request));
        if ((variant == 0) != isAsking) continue;
        if (variant == 1 && Exists(entry.first + u".bak")) continue;
        std::filesystem::remove(Fs(entry.first));
        MakeFolder(entry.first);
      }
      return Text();
    });
    EXPECT_EQ(result, 0);
    EXPECT_GT(SheetsThat(originals, IsFolder), 0u);
    ExpectOriginalsSurvive(originals);
  }
}
