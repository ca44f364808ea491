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
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <random>

#include "app/rewrite_cue_sheet.h"
#include "files/file_copy_posix.h"
#include "tests/support/report_of_run.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"
#include "text/utf8.h"

namespace {

// What flock fails with in a child that plays a file system whose locks
// do not work; 0 lets every call through to the kernel.
int gFlockFailure = 0;

// What linkat fails with in a run that plays a file system without hard
// links (FAT, exFAT); 0 lets every call through.
int gLinkFailure = 0;

// While set, a link by descriptor (AT_EMPTY_PATH) fails with ENOENT, as
// on kernels before 6.10 for a process without CAP_DAC_READ_SEARCH; each
// refusal is counted.
bool gDescriptorLinksRefused = false;
int gDescriptorLinkRefusals = 0;

// What renameat2 (and renameat) fail with in a run that plays a disk
// that takes no more writes; 0 lets every call through.
int gRenameFailure = 0;

// While set, every call that changes a file's content or names is noted
// here, in order, with the names of the files it touches.
bool gTracing = false;
std::vector<std::string> gTrace;

std::string NameOfDescriptor(int fd) {
  char target[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length < 0) return "?";
  const std::string path(target, static_cast<size_t>(length));
  return path.substr(path.rfind('/') + 1);
}

std::string NameOfPath(const char* path) {
  const std::string name(path);
  if (name.rfind("/proc/self/fd/", 0) == 0) return NameOfDescriptor(std::stoi(name.substr(14)));
  return name.substr(name.rfind('/') + 1);
}

long Noted(const std::string& event, long result) {
  if (gTracing && result >= 0) gTrace.push_back(event);
  return result;
}

}  // namespace

// The calls of the program under test come here before the C library's,
// as they would to an LD_PRELOAD shim.
extern "C" int flock(int fd, int operation) noexcept {
  if (gFlockFailure != 0) {
    errno = gFlockFailure;
    return -1;
  }
  return static_cast<int>(syscall(SYS_flock, fd, operation));
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to,
                      int flags) noexcept {
  if (gLinkFailure != 0) {
    errno = gLinkFailure;
    return -1;
  }
  const bool byDescriptor = (flags & AT_EMPTY_PATH) != 0 && from[0] == '\0';
  if (byDescriptor && gDescriptorLinksRefused) {
    ++gDescriptorLinkRefusals;
    errno = ENOENT;
    return -1;
  }
  const std::string source = byDescriptor ? NameOfDescriptor(fromFolder) : NameOfPath(from);
  const std::string event = "link " + source + " -> " + NameOfPath(to);
  return static_cast<int>(
      Noted(event, syscall(SYS_linkat, fromFolder, from, toFolder, to, flags)));
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned int flags) noexcept {
  if (gRenameFailure != 0) {
    errno = gRenameFailure;
    return -1;
  }
  const std::string event = "rename " + NameOfPath(from) + " -> " + NameOfPath(to);
  return static_cast<int>(
      Noted(event, syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags)));
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
  return renameat2(fromFolder, from, toFolder, to, 0);
}

extern "C" ssize_t write(int fd, const void* bytes, size_t count) {
  return Noted("write " + (gTracing ? NameOfDescriptor(fd) : ""),
               syscall(SYS_write, fd, bytes, count));
}

extern "C" ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
  return Noted("write " + (gTracing ? NameOfDescriptor(fd) : ""),
               syscall(SYS_pwrite64, fd, bytes, count, offset));
}

extern "C" int ftruncate(int fd, off_t length) noexcept {
  return static_cast<int>(Noted("truncate " + (gTracing ? NameOfDescriptor(fd) : ""),
                                syscall(SYS_ftruncate, fd, length)));
}

extern "C" int fsync(int fd) {
  return static_cast<int>(Noted("flush " + (gTracing ? NameOfDescriptor(fd) : ""),
                                syscall(SYS_fsync, fd)));
}

extern "C" int fdatasync(int fd) {
  return static_cast<int>(Noted("flush " + (gTracing ? NameOfDescriptor(fd) : ""),
                                syscall(SYS_fdatasync, fd)));
}

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

// A new sheet that does not fit ends the run before the sheet changes:
// readers never see part of it, and the original needs no backup yet.
// With hard links the backup costs no room; without them (FAT) it is a
// copy, which must fit as well.
TEST(FaultInjection, DiskFullWhileTheNewSheetIsWritten) {
  for (const int linkFailure : {0, EPERM}) {
    SCOPED_TRACE(linkFailure);
    TempFolder folder;
    const Text sheet = folder / u"Racer.cue";
    const std::string original = GrowingSheet(40, "Racer.bin");
    WriteBytes(folder / u"Racer.bin", "x");
    const auto rewrite = [&] {
      gLinkFailure = linkFailure;
      return RewriteReturned(sheet) ? 10 : 20;
    };

    // Unlimited, for the full result.
    WriteBytes(sheet, original);
    ASSERT_EQ(InChild(rewrite), 10);
    const std::string repaired = ReadBytes(sheet);
    ASSERT_GT(repaired.size(), original.size());

    for (const size_t limit : {original.size() - 1, original.size(), repaired.size() - 1}) {
      SCOPED_TRACE(limit);
      std::filesystem::remove(Fs(sheet + u".bak"));
      WriteBytes(sheet, original);
      EXPECT_EQ(InChild(rewrite, limit), 20);
      EXPECT_FALSE(Exists(sheet + u".bak"));
      EXPECT_EQ(ReadBytes(sheet), original);
      EXPECT_FALSE(Exists(sheet + u".brindlet-new"));
    }
    // Exactly the room it needs.
    std::filesystem::remove(Fs(sheet + u".bak"));
    WriteBytes(sheet, original);
    EXPECT_EQ(InChild(rewrite, repaired.size()), 10);
    EXPECT_EQ(ReadBytes(sheet + u".bak"), original);
    EXPECT_EQ(ReadBytes(sheet), repaired);
  }
}

// The order in which a first repair changes files: nothing renames over,
// truncates or writes the sheet before its backup is either the sheet's
// own file under a second name, or a copy already flushed to disk (where
// there are no hard links, as on FAT). The row of an older kernel, which
// links the held sheet through /proc instead, comes last: the program
// does not try the refused way again in this process.
TEST(FaultInjection, TheBackupIsSafeBeforeTheSheetChanges) {
  for (const int linkFailure : {0, EPERM, ENOENT}) {
    SCOPED_TRACE(linkFailure);
    gDescriptorLinksRefused = linkFailure == ENOENT;
    gDescriptorLinkRefusals = 0;
    TempFolder folder;
    const Text sheet = folder / u"Racer.cue";
    const std::string original = GrowingSheet(40, "Racer.bin");
    WriteBytes(folder / u"Racer.bin", "x");
    WriteBytes(sheet, original);
    ScriptDialogAnswers({});
    gTrace.clear();
    gLinkFailure = linkFailure == EPERM ? EPERM : 0;
    gTracing = true;
    const bool returned = RewriteReturned(sheet);
    gTracing = false;
    gLinkFailure = 0;
    gDescriptorLinksRefused = false;
    ASSERT_TRUE(returned);
    if (linkFailure == ENOENT) {
      EXPECT_EQ(gDescriptorLinkRefusals, 1);
    }
    EXPECT_EQ(ReadBytes(sheet + u".bak"), original);
    EXPECT_NE(ReadBytes(sheet), original);

    std::string trace;
    size_t safe = SIZE_MAX, change = SIZE_MAX;
    std::set<std::string> flushed;
    for (size_t i = 0; i < gTrace.size(); ++i) {
      const std::string& event = gTrace[i];
      trace += event + "\n";
      const size_t arrow = event.find(" -> ");
      const std::string from = event.substr(event.find(' ') + 1, arrow - event.find(' ') - 1);
      if (event.rfind("flush ", 0) == 0) flushed.insert(event.substr(6));
      if (event == "link Racer.cue -> Racer.cue.bak" ||
          (arrow != std::string::npos && event.substr(arrow + 4) == "Racer.cue.bak" &&
           flushed.count(from) != 0)) {
        safe = std::min(safe, i);
      }
      if ((arrow != std::string::npos && event.substr(arrow + 4) == "Racer.cue") ||
          event == "write Racer.cue" || event == "truncate Racer.cue") {
        change = std::min(change, i);
      }
      // The sheet is replaced, never written in place.
      EXPECT_NE(event, "write Racer.cue");
      EXPECT_NE(event, "truncate Racer.cue");
    }
    EXPECT_NE(change, SIZE_MAX) << trace;
    EXPECT_LT(safe, change) << trace;
  }
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

// Two and three sweeps over the same library at once, started together,
// round after round: every sheet carries a line of its own, so a backup
// taken of another run's repair instead of the original would show.
TEST(FaultInjection, OverlappingSweepsKeepEveryOriginal) {
  for (const int runs : {2, 3}) {
    for (int round = 0; round < 100; ++round) {
      SCOPED_TRACE(testing::Message() << runs << " runs, round " << round);
      // In memory where there is a file system there, since a round on a
      // disk that discards freed blocks costs ten times as much.
      TempFolder folder(std::filesystem::is_directory("/dev/shm")
                            ? std::filesystem::path("/dev/shm")
                            : std::filesystem::temp_directory_path());
      const Text library = folder.Folder(u"library");
      Originals originals;
      for (int f = 0; f < 20; ++f) {
        const Text games = library + u"g" + T(std::to_string(f)) + kFolderSeparator;
        MakeFolder(games);
        WriteBytes(games + u"x.bin", "x");
        for (int s = 0; s < 10; ++s) {
          const Text sheet = games + u"s" + T(std::to_string(s)) + u".cue";
          originals[sheet] = "REM sheet " + std::to_string(f * 10 + s) + "\r\n" +
                             "FILE \"x.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n";
          WriteBytes(sheet, originals[sheet]);
        }
      }
      int start[2];
      ASSERT_EQ(pipe(start), 0);
      std::vector<pid_t> children;
      for (int run = 0; run < runs; ++run) {
        const pid_t child = fork();
        if (child == 0) {
          close(start[1]);
          char go;
          if (read(start[0], &go, 1) < 0) _exit(3);  // every run waits for the same moment
          _exit(SweepInChild(library, Cancel));
        }
        children.push_back(child);
      }
      close(start[0]);
      close(start[1]);
      for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      }
      for (const auto& [sheet, original] : originals) {
        ASSERT_EQ(ReadBytes(sheet + u".bak"), original) << Fs(sheet);
        ASSERT_EQ(ReadBytes(sheet), "FILE \"x.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n");
      }
    }
  }
}

// A run killed at any instant of the rewrite of a large sheet leaves the
// sheet as it was or as repaired, never a mix; a backup that is whole or
// absent; and at most its own unfinished new sheet beside them, which the
// next run removes as it rebuilds the sheet as an uninterrupted run would.
TEST(FaultInjection, RunsKilledAtAnyInstant) {
  TempFolder folder;
  const Text sheet = folder / u"Big.cue";
  const std::string original = GrowingSheet(100000, "Big.bin");
  WriteBytes(folder / u"Big.bin", "x");
  const auto rewrite = [&] { return RewriteReturned(sheet) ? 0 : 1; };

  WriteBytes(sheet, original);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(InChild(rewrite), 0);
  const auto uninterrupted = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now() - started).count();
  const std::string repaired = ReadBytes(sheet);
  const auto names = [&] {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root)) {
      found.insert(entry.path().filename().string());
    }
    return found;
  };

  std::mt19937 random(20261208);
  for (int kill = 0; kill < 50; ++kill) {
    SCOPED_TRACE(kill);
    std::filesystem::remove(Fs(sheet + u".bak"));
    WriteBytes(sheet, original);
    const pid_t child = fork();
    if (child == 0) _exit(rewrite());
    // Every other kill falls within the last moments, where the backup is
    // made and the new sheet put in place.
    const auto from = kill % 2 == 0 ? std::max<long long>(0, uninterrupted - 3000) : 0;
    usleep(static_cast<useconds_t>(from + random() % (uninterrupted - from + 1)));
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    const std::string now = ReadBytes(sheet);
    EXPECT_TRUE(now == original || now == repaired) << now.size();
    const std::string backup = ReadBytes(sheet + u".bak");
    EXPECT_TRUE(backup == original || !Exists(sheet + u".bak")) << backup.size();
    std::set<std::string> expected = {"Big.cue", "Big.bin"};
    for (const char* optional : {"Big.cue.bak", "Big.cue.brindlet-new"}) {
      if (names().count(optional)) expected.insert(optional);
    }
    EXPECT_EQ(names(), expected);
    ASSERT_EQ(InChild(rewrite), 0);
    // Compared whole, not line by line: a diff of sheets this long would
    // cost more memory than the machine has.
    EXPECT_TRUE(ReadBytes(sheet + u".bak") == original);
    EXPECT_TRUE(ReadBytes(sheet) == repaired) << ReadBytes(sheet).size();
    EXPECT_EQ(names(), (std::set<std::string>{"Big.cue", "Big.bin", "Big.cue.bak"}));
  }
}

// While a question about a missing image waits, the sheet on disk holds
// exactly its old bytes, however much of the new sheet is made: a reader
// sees the old sheet, a run killed there leaves it as it was, and another
// program that empties it meanwhile has the last word.
TEST(FaultInjection, WhileAQuestionWaitsTheSheetIsAsItWas) {
  enum class AtTheQuestion { Read, Empty, Kill };
  for (const AtTheQuestion what : {AtTheQuestion::Read, AtTheQuestion::Empty, AtTheQuestion::Kill}) {
    SCOPED_TRACE(static_cast<int>(what));
    TempFolder folder;
    const Text sheet = folder / u"Racer.cue";
    // 99 audio tracks, the second FILE line naming an image that is missing.
    const std::string original = GrowingSheet(60, "Racer.bin") + GrowingSheet(39, "Lost.bin");
    WriteBytes(folder / u"Racer.bin", "x");
    WriteBytes(sheet, original);
    std::string seen;
    int asked[2];
    ASSERT_EQ(pipe(asked), 0);
    ScriptDialogAction([&](const FileDialogRequest&) {
      seen = ReadBytes(sheet);
      if (what == AtTheQuestion::Empty) std::filesystem::resize_file(Fs(sheet), 0);
      if (what == AtTheQuestion::Kill && write(asked[1], "?", 1) == 1) pause();
      return Text();
    });
    if (what == AtTheQuestion::Kill) {
      const pid_t child = fork();
      if (child == 0) _exit(RewriteReturned(sheet) ? 0 : 1);
      char question;
      EXPECT_EQ(read(asked[0], &question, 1), 1);
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      EXPECT_EQ(ReadBytes(sheet), original);
      EXPECT_FALSE(Exists(sheet + u".bak"));
    } else {
      EXPECT_TRUE(RewriteReturned(sheet));
      EXPECT_EQ(seen, original);
    }
    close(asked[0]);
    close(asked[1]);
    if (what == AtTheQuestion::Read) {
      EXPECT_EQ(ReadBytes(sheet + u".bak"), original);
      EXPECT_NE(ReadBytes(sheet).find("FILE \"\" BINARY"), std::string::npos);
    }
    if (what == AtTheQuestion::Empty) {
      EXPECT_EQ(ReadBytes(sheet), "");
      EXPECT_FALSE(Exists(sheet + u".bak"));
    }
    EXPECT_FALSE(Exists(sheet + u".brindlet-new"));
  }
}

// A sweep, or one sheet's repair, waiting at a question while the folder
// chosen, the folder above it or the sheet's own folder is swapped for a
// link to a tree elsewhere: the work goes on in the folders it started
// in, and nothing elsewhere changes.
TEST(FaultInjection, FoldersSwappedForLinksSendNoWorkElsewhere) {
  enum class Swap { ChosenFolder, ItsParent, PickedSheetsFolder };
  for (const Swap swap : {Swap::ChosenFolder, Swap::ItsParent, Swap::PickedSheetsFolder}) {
    SCOPED_TRACE(static_cast<int>(swap));
    TempFolder folder;
    const Text pick = folder.Folder(u"top/pick");
    const Originals originals = MakeLibrary(pick, 3, 2);
    const Text elsewhere = folder.Folder(u"elsewhere");
    MakeLibrary(folder.Folder(u"elsewhere/top/pick"), 3, 2);
    const Snapshot untouched = SnapshotOf(Fs(elsewhere));
    const auto swapFor = [&](const Text& from, const Text& to) {
      std::filesystem::rename(Fs(from), Fs(from + u".real"));
      std::filesystem::create_directory_symlink(Fs(to), Fs(from));
    };
    bool swapped = false;
    const auto onQuestion = [&](const FileDialogRequest&) {
      if (swapped) return Text();
      swapped = true;
      if (swap == Swap::ChosenFolder) swapFor(folder / u"top/pick", elsewhere + u"top/pick");
      if (swap == Swap::ItsParent) swapFor(folder / u"top", elsewhere + u"top");
      if (swap == Swap::PickedSheetsFolder) swapFor(pick + u"g0", elsewhere + u"top/pick/g0");
      return Text();
    };
    if (swap == Swap::PickedSheetsFolder) {
      EXPECT_EQ(InChild([&] {
                  ScriptDialogAction(onQuestion);
                  return RewriteReturned(pick + u"g0/s0.cue") ? 0 : 1;
                }),
                0);
    } else {
      EXPECT_EQ(SweepInChild(pick, onQuestion), 0);
    }
    EXPECT_EQ(SnapshotOf(Fs(elsewhere)), untouched);
    // The sheets in the real folders were repaired there.
    const Text real = swap == Swap::ChosenFolder ? folder / u"top/pick.real/"
                      : swap == Swap::ItsParent  ? folder / u"top.real/pick/"
                                                 : pick;
    const Text g0 = swap == Swap::PickedSheetsFolder ? pick + u"g0.real/" : real + u"g0/";
    EXPECT_EQ(ReadBytes(g0 + u"s0.cue.bak"), originals.at(pick + u"g0/s0.cue"));
    if (swap != Swap::PickedSheetsFolder) {
      for (const auto& entry : originals) {
        const Text inReal = real + entry.first.substr(pick.size());
        EXPECT_EQ(ReadBytes(inReal + u".bak"), entry.second) << Fs(inReal);
      }
    }
  }
}

// The chosen folder moved to another parent while a question waits: its
// parent was fixed when the sweep began, so the sheets beside it in its old
// parent are repaired, and none in its new one is touched.
TEST(FaultInjection, AChosenFolderMovedAtAQuestionKeepsItsParent) {
  TempFolder folder;
  const Text pick = folder.Folder(u"top/pick");
  MakeLibrary(pick, 2, 1);
  WriteBytes(pick + u"asks.cue", GrowingSheet(2, "lost.bin"));
  const std::string sheet = "FILE \"x.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n";
  for (const Text& beside : {folder.Folder(u"top"), folder.Folder(u"elsewhere")}) {
    WriteBytes(beside + u"x.bin", "x");
    WriteBytes(beside + u"beside.cue", sheet);
  }
  // The sweep runs in a child: the move is seen here by where pick is.
  EXPECT_EQ(SweepInChild(pick, [&](const FileDialogRequest&) {
              if (Exists(pick)) std::filesystem::rename(Fs(pick), Fs(folder / u"elsewhere/pick"));
              return Text();
            }),
            0);
  ASSERT_TRUE(Exists(folder / u"elsewhere/pick"));
  EXPECT_EQ(ReadBytes(folder / u"top/beside.cue.bak"), sheet);
  EXPECT_EQ(ReadBytes(folder / u"elsewhere/beside.cue"), sheet);
  EXPECT_FALSE(Exists(folder / u"elsewhere/beside.cue.bak"));
}

// A share without a lock service fails every lock with ENOLCK, some mounts
// with EOPNOTSUPP or EINVAL: the run goes on without locks and repairs
// every sheet. Only EWOULDBLOCK says that another program holds a sheet,
// which is then passed by, and the run still goes on.
TEST(FaultInjection, LockErrorsOtherThanHeldGoOnWithoutTheLock) {
  const std::string original = "FILE \"x.bin\" BINARY\r\nTRACK 01 MODE1/2352\r\n";
  const std::string repaired = "FILE \"x.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n";
  for (const int failure : {ENOLCK, EOPNOTSUPP, EINVAL, EWOULDBLOCK}) {
    SCOPED_TRACE(failure);
    TempFolder folder;
    const Text library = folder.Folder(u"library");
    std::vector<Text> sheets;
    for (const Text& games : {folder.Folder(u"library/g0"), folder.Folder(u"library/g1")}) {
      WriteBytes(games + u"x.bin", "x");
      for (const Text name : {u"a.cue", u"b.cue"}) {
        WriteBytes(games + name, original);
        sheets.push_back(games + name);
      }
    }
    EXPECT_EQ(InChild([&] {
                gFlockFailure = failure;
                ScriptDialogAnswers({library + u"all"});
                return RunProgramToEnd() ? 0 : 1;
              }),
              0);
    const bool held = failure == EWOULDBLOCK;
    for (const Text& sheet : sheets) {
      EXPECT_EQ(ReadBytes(sheet), held ? original : repaired) << Fs(sheet);
      EXPECT_EQ(ReadBytes(sheet + u".bak"), held ? "<missing>" : original) << Fs(sheet);
    }
  }
}

// A restore killed at any instant leaves the sheet repaired or restored,
// never a mix and never without its original somewhere; the next restore
// finishes the work.
TEST(FaultInjection, RestoresKilledAtAnyInstant) {
  TempFolder folder;
  const Text sheet = folder / u"Big.cue";
  const std::string original = GrowingSheet(100000, "Big.bin");
  WriteBytes(folder / u"Big.bin", "x");
  WriteBytes(sheet, original);
  ASSERT_TRUE(RewriteReturned(sheet));
  const std::string repaired = ReadBytes(sheet);
  RunOptions options;
  options.restore = true;
  const auto restore = [&] { return RunProgramToEnd({sheet}, options) ? 0 : 1; };
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(InChild(restore), 0);
  const auto uninterrupted = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(ReadBytes(sheet) == original);

  std::mt19937 random(20261209);
  for (int kill = 0; kill < 20; ++kill) {
    SCOPED_TRACE(kill);
    if (!Exists(sheet + u".bak")) {
      ASSERT_TRUE(RewriteReturned(sheet));
    }
    const pid_t child = fork();
    if (child == 0) _exit(restore());
    usleep(static_cast<useconds_t>(random() % (uninterrupted + 1)));
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string now = ReadBytes(sheet);
    EXPECT_TRUE(now == original || (now == repaired && ReadBytes(sheet + u".bak") == original))
        << now.size();
    ASSERT_EQ(InChild(restore), 0);
    EXPECT_TRUE(ReadBytes(sheet) == original);
    EXPECT_FALSE(Exists(sheet + u".bak"));
  }
}

// A disk that refuses the restore's rename ends the run there, with exit
// code 1 and a line that says where; the sheets after it are not reached.
TEST(FaultInjection, ARestoreTheDiskRefusesEndsTheRun) {
  TempFolder folder;
  const std::vector<Text> sheets = {folder / u"a.cue", folder / u"b.cue"};
  WriteBytes(folder / u"x.bin", "x");
  for (const Text& sheet : sheets) {
    WriteBytes(sheet, "FILE \"x.bin\" BINARY\nTRACK 01 MODE1/2352\n");
    ASSERT_TRUE(RewriteReturned(sheet));
  }
  RunOptions options;
  options.restore = true;
  options.verbose = true;
  gRenameFailure = EROFS;
  const std::vector<std::string> lines = ReportOfRun(sheets, options);
  gRenameFailure = 0;
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "stopped (the disk took no write): " + EncodeUtf8(sheets[0]),
                       "total: 0 repaired, 0 already right, 0 sheets made, 0 restored, 0 "
                       "playlists written, 0 left as they were, 1 passed over",
                       "<the run did not end with code 0>"}));
  for (const Text& sheet : sheets) EXPECT_TRUE(Exists(sheet + u".bak"));
}
