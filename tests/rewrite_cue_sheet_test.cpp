#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/rewrite_cue_sheet.h"
#include "files/text_file.h"
#include "tests/support/other_opener.h"
#include "tests/support/run_harness.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"
#include "text/utf8.h"

namespace {

// Lines joined with CR LF, each line ending in one, as a repaired sheet is.
std::string CrLf(std::initializer_list<std::string> lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\r\n";
  return joined;
}

// Repairs a sheet of these bytes in a folder that holds the given images
// (1 byte each) and returns what the sheet holds afterwards.
std::string Repair(const std::string& sheet, const std::vector<Text>& images = {u"Racer.bin"},
                   std::vector<Text> dialogAnswers = {}) {
  TempFolder folder;
  for (const Text& image : images) WriteBytes(folder / image, "x");
  WriteBytes(folder / u"Racer.cue", sheet);
  ScriptDialogAnswers(dialogAnswers);
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  const std::string repaired = ReadBytes(folder / u"Racer.cue");
  // The original is kept once the sheet changes; a sheet that comes out as
  // it was is not touched at all.
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue.bak"), repaired == sheet ? "<missing>" : sheet);
  return repaired;
}

const std::string kFile = "FILE \"Racer.bin\" BINARY";

}  // namespace

TEST(RewriteCueSheet, ReindentsAndGivesAudioTracksAPregap) {
  EXPECT_EQ(Repair(CrLf({kFile, "TRACK 01 MODE1/2352", "INDEX 01 00:00:00", "TRACK 02 AUDIO",
                         "INDEX 01 05:30:12"})),
            CrLf({kFile, "  TRACK 01 MODE1/2352", "    INDEX 01 00:00:00", "  TRACK 02 AUDIO",
                  "    INDEX 00 05:28:12", "    INDEX 01 05:30:12"}));
  // Indentation and line ends of the input do not matter.
  EXPECT_EQ(Repair(kFile + "\n\t\n      TRACK 01 AUDIO   \rPREGAP 00:02:00\n  INDEX 01 00:00:00"),
            CrLf({kFile, "  TRACK 01 AUDIO", "    PREGAP 00:02:00", "    INDEX 01 00:00:00"}));
}

TEST(RewriteCueSheet, APregapOrIndex00MeansNoInsertion) {
  EXPECT_EQ(Repair(CrLf({"TRACK 02 AUDIO", "INDEX 00 05:28:00", "INDEX 01 05:30:12"})),
            CrLf({"  TRACK 02 AUDIO", "    INDEX 00 05:28:00", "    INDEX 01 05:30:12"}));
  // The flag belongs to its track: the next TRACK clears it.
  EXPECT_EQ(Repair(CrLf({"TRACK 01 AUDIO", "PREGAP 00:02:00", "INDEX 01 00:00:00",
                         "TRACK 02 AUDIO", "INDEX 01 04:00:00"})),
            CrLf({"  TRACK 01 AUDIO", "    PREGAP 00:02:00", "    INDEX 01 00:00:00",
                  "  TRACK 02 AUDIO", "    INDEX 00 03:58:00", "    INDEX 01 04:00:00"}));
  // An INDEX 00 after INDEX 01 comes too late; a second INDEX 01 gets its own.
  EXPECT_EQ(Repair(CrLf({"TRACK 02 AUDIO", "INDEX 01 01:00:00", "INDEX 01 02:00:00 x",
                         "INDEX 00 03:00:00"})),
            CrLf({"  TRACK 02 AUDIO", "    INDEX 00 00:58:00", "    INDEX 01 01:00:00",
                  "    INDEX 00 01:58:00", "    INDEX 01 02:00:00", "    INDEX 00 03:00:00"}));
}

TEST(RewriteCueSheet, OnlyAudioTracksAndIndex01AreShifted) {
  for (const std::string& track : std::vector<std::string>{"TRACK 03 AUDIO/2352", "TRACK 03", "TRACK 03 MODE2/2352"}) {
    EXPECT_EQ(Repair(CrLf({track, "INDEX 01 07:00:00"})),
              CrLf({"  " + track, "    INDEX 01 07:00:00"}));
  }
  EXPECT_EQ(Repair(CrLf({"INDEX 01 07:00:00"})), CrLf({"    INDEX 01 07:00:00"}));
  EXPECT_EQ(Repair(CrLf({"TRACK 03 AUDIO", "INDEX 02 07:00:00", "INDEX 1 07:00:00"})),
            CrLf({"  TRACK 03 AUDIO", "    INDEX 02 07:00:00", "    INDEX 1 07:00:00"}));
}

TEST(ShiftedIndexTimes, TwoSecondsEarlierFramesUntouched) {
  const auto shift = [](const Text& time) {
    Text index00, index01;
    if (!ShiftedIndexTimes(time, &index00, &index01)) return Text(u"invalid");
    return index00 + u" " + index01;
  };
  EXPECT_EQ(shift(u"03:00:45"), u"02:58:45 03:00:45");
  EXPECT_EQ(shift(u"00:01:50"), u"00:00:50 00:01:50");
  EXPECT_EQ(shift(u"00:02:00"), u"00:00:00 00:02:00");
  // Never before the start of the disc.
  EXPECT_EQ(shift(u"00:00:10"), u"00:00:10 00:00:10");
  // Long discs run past 59 minutes.
  EXPECT_EQ(shift(u"60:01:05"), u"59:59:05 60:01:05");
  EXPECT_EQ(shift(u"75:00:00"), u"74:58:00 75:00:00");
  EXPECT_EQ(shift(u"99:59:74"), u"99:57:74 99:59:74");
  // Anything but MM:SS:FF is not a time to shift.
  for (const Text& time : std::vector<Text>{u"5:30:12", u"05:60:00", u"05:30", u"05:30:1", u"05:30:123",
                           u"0a:30:12", u"05-30-12", u"", u"05:30:1x", u"\uFF10\uFF15:30:12"}) {
    EXPECT_EQ(shift(time), u"invalid") << std::string(time.begin(), time.end());
  }
}

TEST(RewriteCueSheet, TimesThatCannotBeShiftedAreKeptAsTheyAre) {
  EXPECT_EQ(Repair(CrLf({"TRACK 02 AUDIO", "INDEX 01 5:30:12", "INDEX 01", "INDEX 01 05:75:00"})),
            CrLf({"  TRACK 02 AUDIO", "    INDEX 01 5:30:12", "    INDEX 01",
                  "    INDEX 01 05:75:00"}));
}

TEST(RewriteCueSheet, DropsEveryOtherLine) {
  EXPECT_EQ(Repair(CrLf({"REM GENRE Racing", "CATALOG 0000000000000", "TITLE \"Racer\"",
                         "PERFORMER \"x\"", "SONGWRITER \"x\"", kFile, "", "TRACK 01 AUDIO",
                         "ISRC ABCDE1234567", "CDTEXTFILE \"Racer.cdt\"", "REM FLAGS DCP",
                         "INDEXES 01 00:00:00", "FILES \"x.bin\" BINARY", "INDEX"})),
            CrLf({kFile, "  TRACK 01 AUDIO", "    INDEX"}));
  EXPECT_EQ(Repair(CrLf({"REM only comments", "TITLE x"})), "");
}

// A sheet saved by Notepad begins with a byte-order mark; its first line,
// usually the only FILE line, must still count.
TEST(RewriteCueSheet, AByteOrderMarkDoesNotHideTheFirstLine) {
  EXPECT_EQ(Repair("\xEF\xBB\xBF" + CrLf({kFile, "TRACK 01 MODE1/2352"})),
            CrLf({kFile, "  TRACK 01 MODE1/2352"}));
  // Only one mark, and only at the very start.
  EXPECT_EQ(Repair("\xEF\xBB\xBF\xEF\xBB\xBF" + CrLf({kFile, "TRACK 01 MODE1/2352"})),
            CrLf({"  TRACK 01 MODE1/2352"}));
  EXPECT_EQ(Repair("\xEF\xBB\xBF  " + CrLf({kFile})), CrLf({kFile}));
}

TEST(RewriteCueSheet, FileLinesNameABareExistingImage) {
  EXPECT_EQ(Repair(CrLf({"FILE \"C:\\Old\\Racer.bin\" BINARY"})), CrLf({kFile}));
  EXPECT_EQ(Repair(CrLf({"FILE \"/home/old/Racer.bin\" MOTOROLA"})),
            CrLf({"FILE \"Racer.bin\" MOTOROLA"}));
  EXPECT_EQ(Repair(CrLf({"FILE \"Racer.wav\" WAVE"}), {u"Racer.wav"}),
            CrLf({"FILE \"Racer.wav\" WAVE"}));
  // A picked image's type follows its own name, not the one it replaces.
  EXPECT_EQ(Repair(CrLf({"FILE \"Gone.wav\" WAVE"}), {}, {u"/x/Picked.bin"}),
            CrLf({"FILE \"Picked.bin\" BINARY"}));
  EXPECT_EQ(Repair(CrLf({"FILE \"Gone.bin\" WAVE"}), {}, {u"/x/Picked.wav"}),
            CrLf({"FILE \"Picked.wav\" WAVE"}));
  EXPECT_EQ(Repair(CrLf({"FILE \"Racer\" BINARY"}), {u"Racer.img"}), CrLf({"FILE \"Racer.img\" BINARY"}));
  EXPECT_EQ(Repair(CrLf({"FILE \"Racer\" BINARY"}), {u"Racer.img", u"Racer.bin"}), CrLf({kFile}));
  EXPECT_EQ(Repair(CrLf({"FILE \"Racer\" BINARY"}), {u"Racer.iso"}), CrLf({"FILE \"Racer.iso\" BINARY"}));
  EXPECT_EQ(Repair(CrLf({"FILE \"Racer.bin BINARY"}), {u"Racer.bin BINARY"}),
            CrLf({"FILE \"Racer.bin BINARY\" BINARY"}));
  // The sheet being rewritten keeps its size until it is closed, so a FILE
  // line naming the sheet itself finds it.
  EXPECT_EQ(Repair(CrLf({"FILE \"Racer.cue\" BINARY"}), {}), CrLf({"FILE \"Racer.cue\" BINARY"}));
}

// The image names a repaired sheet gives, in the order it gives them.
std::vector<Text> NamedImages(const std::string& sheet) {
  std::vector<Text> names;
  for (size_t at = 0; (at = sheet.find("FILE \"", at)) != std::string::npos; ++at) {
    const size_t start = at + 6;
    const std::string name = sheet.substr(start, sheet.find('"', start) - start);
    if (!name.empty()) names.push_back(DecodeUtf8KeepingBytes(name.data(), name.size()));
  }
  return names;
}

// Sheets as real tools and hands write them, each repaired in a folder
// holding the images its expected sheet names (so no dialog comes up) and
// compared with that sheet byte for byte.
TEST(RewriteCueSheet, RealWorldSheetsComeOutAsExpected) {
  std::vector<const char*> fixtures = {
      "eac_single_wav",    "per_track_flac",         "mp3_album",           "motorola_audio",
      "saturn_postgap",    "one_second_tracks",      "lower_case",          "tab_indented",
      "unquoted_names",    "wave_typed_images",      "suffix_search",       "latin1_title",
      "gdrom_density_areas", "cd_extra_sessions",    "layout_lower_case_tabs",
      "cp1252_unicode_name", "cp1251_unicode_name", "gbk_unicode_name"};
  // Names whose bytes are not UTF-8 exist only on POSIX file systems.
  if (kFolderSeparator == u'/') {
    fixtures.insert(fixtures.end(), {"cp1252_raw_name", "cp1251_raw_name", "gbk_raw_name"});
  }
  for (const char* name : fixtures) {
    SCOPED_TRACE(name);
    const Text fixture = T(std::string(BRINDLET_TEST_DATA) + name);
    const std::string original = ReadBytes(fixture + u".cue");
    const std::string expected = ReadBytes(fixture + u".expected.cue");
    ASSERT_NE(original, "<missing>");
    ASSERT_NE(expected, "<missing>");
    EXPECT_EQ(Repair(original, NamedImages(expected)), expected);
    EXPECT_TRUE(DialogRequests().empty());
  }
}

TEST(RewriteCueSheet, AnEmptyImageCountsAsMissing) {
  TempFolder folder;
  WriteBytes(folder / u"Racer", "");
  WriteBytes(folder / u"Racer.iso", "x");
  WriteBytes(folder / u"Racer.cue", CrLf({"FILE \"Racer\" BINARY"}));
  ScriptDialogAnswers({});
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"), CrLf({"FILE \"Racer.iso\" BINARY"}));
  EXPECT_TRUE(DialogRequests().empty());
}

TEST(RewriteCueSheet, AsksForAMissingImage) {
  TempFolder folder;
  WriteBytes(folder / u"Racer.cue", CrLf({"FILE \"Gone.bin\" BINARY", "TRACK 01 MODE1/2352"}));
  const Text elsewhere = folder.Folder(u"other") + u"Disc.iso";
  ScriptDialogAnswers({elsewhere});
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  // Only the bare name is written; the picked file is neither tested nor moved.
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"),
            CrLf({"FILE \"Disc.iso\" BINARY", "  TRACK 01 MODE1/2352"}));
  ASSERT_EQ(DialogRequests().size(), 1u);
  const FileDialogRequest& request = DialogRequests()[0];
  EXPECT_EQ(request.kind, FileDialogKind::Open);
  EXPECT_EQ(request.title, u"Brindlet - Can't find Binary");
  EXPECT_EQ(request.initialFolder + Text(1, folder.Path().back()), folder.Path());
  EXPECT_EQ(request.initialName, u"Gone.bin");
  EXPECT_EQ(request.filter, u"bin|*.bin;*.iso;*.img|all|*.*");
  EXPECT_EQ(request.filterPosition, 0);
}

TEST(RewriteCueSheet, CancellingTheImageDialogLeavesTheNameEmpty) {
  EXPECT_EQ(Repair(CrLf({"FILE \"Gone.bin\" BINARY"}), {}, {}), CrLf({"FILE \"\" BINARY"}));
  // An empty name: the dialog opens on the sheet's folder with no name.
  TempFolder folder;
  WriteBytes(folder / u"Racer.cue", CrLf({"FILE \"\" BINARY"}));
  WriteBytes(folder / u"Racer.bin", "x");
  ScriptDialogAnswers({});
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"), CrLf({"FILE \"\" BINARY"}));
  ASSERT_EQ(DialogRequests().size(), 1u);
  EXPECT_EQ(DialogRequests()[0].initialName, u"");
  // ... unless a file named just ".bin" is there.
  WriteBytes(folder / u".bin", "x");
  std::remove(Fs(folder / u"Racer.cue.bak").u8string().c_str());
  ScriptDialogAnswers({});
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"), CrLf({"FILE \".bin\" BINARY"}));
}

// A question that cannot be asked at all (the system makes no window) is
// no cancel: the sheet stays as it was rather than name nothing.
TEST(RewriteCueSheet, AQuestionThatCannotBeAskedLeavesTheSheetAlone) {
  TempFolder folder;
  const std::string original = CrLf({"FILE \"Gone.bin\" BINARY", "TRACK 01 MODE1/2352"});
  WriteBytes(folder / u"Racer.cue", original);
  ScriptDialogAction([](const FileDialogRequest&) {
    SetLastDialogFailed(true);
    return Text();
  });
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"), original);
  EXPECT_FALSE(Exists(folder / u"Racer.cue.bak"));
}

TEST(RewriteCueSheet, StrangeNamesInFileLinesAreSafe) {
  for (const std::string& name : std::vector<std::string>{"..", ".", "*.bin", "R?cer.bin", "C:\\", "\\\\server\\share\\x",
                                  "a/../../../etc/passwd", std::string(300, 'n')}) {
    const std::string repaired = Repair(CrLf({"FILE \"" + name + "\" BINARY"}), {u"Racer.bin"});
    EXPECT_EQ(repaired.substr(0, 6), "FILE \"") << name;
    EXPECT_EQ(repaired.find('/'), std::string::npos) << name;
    EXPECT_EQ(repaired.find('\\'), std::string::npos) << name;
  }
}

TEST(RewriteCueSheet, TheFirstBackupIsKeptForGood) {
  TempFolder folder;
  const Text sheet = folder / u"Racer.cue";
  WriteBytes(folder / u"Racer.bin", "x");
  const std::string original = CrLf({kFile, "REM keep me in the backup", "TRACK 01 AUDIO"});
  WriteBytes(sheet, original);
  ScriptDialogAnswers({});
  EXPECT_TRUE(RewriteReturned(sheet));
  const std::string firstRepair = ReadBytes(sheet);

  // Edits between runs do not survive: the backup is the source every time.
  WriteBytes(sheet, CrLf({"FILE \"Edited.bin\" BINARY"}));
  EXPECT_TRUE(RewriteReturned(sheet));
  EXPECT_EQ(ReadBytes(sheet), firstRepair);
  EXPECT_EQ(ReadBytes(sheet + u".bak"), original);

  // An empty backup is no backup: it is made afresh.
  WriteBytes(sheet + u".bak", "");
  WriteBytes(sheet, CrLf({"TRACK 09 MODE1/2352"}));
  EXPECT_TRUE(RewriteReturned(sheet));
  EXPECT_EQ(ReadBytes(sheet + u".bak"), CrLf({"TRACK 09 MODE1/2352"}));
  EXPECT_EQ(ReadBytes(sheet), CrLf({"  TRACK 09 MODE1/2352"}));
}

// A run stopped between keeping its backup and putting the new sheet in
// place leaves one file under both names. The next run repairs the sheet
// under its own name, and never writes into the file they shared, which
// stays the backup.
TEST(RewriteCueSheet, ASheetThatIsItsOwnBackupIsRepaired) {
  if (kFolderSeparator != u'/') GTEST_SKIP() << "Windows keeps its backup by renaming";
  TempFolder folder;
  const Text sheet = folder / u"Racer.cue";
  const std::string original = CrLf({kFile, "TRACK 01 MODE1/2352"});
  WriteBytes(folder / u"Racer.bin", "x");
  WriteBytes(sheet, original);
  std::filesystem::create_hard_link(Fs(sheet), Fs(sheet + u".bak"));
  EXPECT_TRUE(RewriteReturned(sheet));
  EXPECT_EQ(ReadBytes(sheet), CrLf({kFile, "  TRACK 01 MODE1/2352"}));
  EXPECT_EQ(ReadBytes(sheet + u".bak"), original);
  EXPECT_EQ(std::filesystem::hard_link_count(Fs(sheet + u".bak")), 1u);
}

TEST(RewriteCueSheet, FilesHeldByAnotherOpenerAreLeftAsTheyAre) {
  TempFolder folder;
  const Text sheet = folder / u"Racer.cue";
  const std::string original = CrLf({kFile, "TRACK 01 MODE1/2352"});
  WriteBytes(folder / u"Racer.bin", "x");

  // Windows: the backup cannot be read, and the sheet is not emptied.
  // Linux: a lock is the sheet's alone, and one on the backup keeps
  // nothing away.
  WriteBytes(sheet, original);
  WriteBytes(sheet + u".bak", original);
  PlatformFile held = HoldAsAnotherOpener(sheet + u".bak", true);
  ASSERT_NE(held, kNoPlatformFile);
  EXPECT_TRUE(RewriteReturned(sheet));
  EXPECT_EQ(ReadBytes(sheet), kFolderSeparator == u'/' ? CrLf({kFile, "  TRACK 01 MODE1/2352"})
                                                        : original);
  ClosePlatformFile(held);
  WriteBytes(sheet, original);

  // The sheet cannot be created: the backup is closed again, not left held.
  held = HoldAsAnotherOpener(sheet, true);
  ASSERT_NE(held, kNoPlatformFile);
  EXPECT_TRUE(RewriteReturned(sheet));
  ClosePlatformFile(held);
  EXPECT_EQ(ReadBytes(sheet), original);
  const PlatformFile backup = HoldAsAnotherOpener(sheet + u".bak", true);
  EXPECT_NE(backup, kNoPlatformFile);
  ClosePlatformFile(backup);
}

TEST(RewriteCueSheet, ReadOnlySheetsAndFolders) {
  namespace fs = std::filesystem;
  TempFolder folder;
  const std::string original = CrLf({kFile, "TRACK 01 MODE1/2352"});
  WriteBytes(folder / u"Racer.bin", "x");
  WriteBytes(folder / u"Racer.cue", original);
  fs::permissions(Fs(folder / u"Racer.cue"), fs::perms::owner_write | fs::perms::group_write |
                                                 fs::perms::others_write, fs::perm_options::remove);
  // Left as it is, with nothing to back up; only a user who may write it
  // anyway (root) has it repaired, and backed up.
  EXPECT_TRUE(RewriteReturned(folder / u"Racer.cue"));
  const std::string after = ReadBytes(folder / u"Racer.cue");
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue.bak"), after == original ? "<missing>" : original);
  EXPECT_TRUE(after == original || after == CrLf({kFile, "  TRACK 01 MODE1/2352"})) << after;
  fs::permissions(Fs(folder / u"Racer.cue"), fs::perms::owner_write, fs::perm_options::add);

  // Neither a backup nor a new sheet can be made in a read-only folder: the
  // run ends, the sheet intact.
  const Text locked = folder.Folder(u"locked");
  WriteBytes(locked + u"Racer.cue", original);
  fs::permissions(Fs(locked), fs::perms::owner_write | fs::perms::group_write |
                                  fs::perms::others_write, fs::perm_options::remove);
  WriteBytes(locked + u"probe", "x");
  const bool folderRefusesWrites = !Exists(locked + u"probe");
  if (folderRefusesWrites) {
    EXPECT_FALSE(RewriteReturned(locked + u"Racer.cue"));
    EXPECT_EQ(ReadBytes(locked + u"Racer.cue"), original);
  }
  fs::permissions(Fs(locked), fs::perms::owner_all, fs::perm_options::add);
  if (!folderRefusesWrites) GTEST_SKIP() << "this user may write in read-only folders";
}

// Only this name of the sheet gets the new sheet: another hard link to the
// old file (a snapshot made with "cp -al", a note linked in) keeps the old
// content. The new sheet keeps the old one's permissions, and its owner
// and group where this process may give them.
TEST(RewriteCueSheet, OtherNamesKeepTheOldSheetAndTheNewOneItsPermissions) {
  TempFolder folder;
  const Text sheet = folder / u"Racer.cue";
  const std::string original = CrLf({kFile, "TRACK 01 MODE1/2352"});
  WriteBytes(folder / u"Racer.bin", "x");
  WriteBytes(sheet, original);
  std::error_code error;
  std::filesystem::create_hard_link(Fs(sheet), Fs(folder / u"snapshot.cue"), error);
  if (error) GTEST_SKIP() << "no hard links here: " << error.message();
  namespace fs = std::filesystem;
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(Fs(sheet), mode);
#ifndef _WIN32
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(Fs(sheet).c_str(), 4321, 8765), 0);
  }
#endif

  EXPECT_TRUE(RewriteReturned(sheet));
  EXPECT_EQ(ReadBytes(sheet), CrLf({kFile, "  TRACK 01 MODE1/2352"}));
  EXPECT_EQ(ReadBytes(folder / u"snapshot.cue"), original);
  EXPECT_EQ(ReadBytes(sheet + u".bak"), original);
#ifndef _WIN32
  EXPECT_EQ(fs::status(Fs(sheet)).permissions(), mode);
  struct stat info;
  ASSERT_EQ(stat(Fs(sheet).c_str(), &info), 0);
  if (root) {
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 8765u);
  }
#endif
}

TEST(RewriteCueSheet, BadInputIsSurvived) {
  // One 10 MB line, and binary garbage.
  const std::string huge = "REM " + std::string(10 * 1024 * 1024, 'x') + "\r\n" + kFile;
  EXPECT_EQ(Repair(huge), CrLf({kFile}));
  std::mt19937 random(7);
  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += static_cast<char>(random());
  const std::string repaired = Repair(garbage);
  for (size_t at = 0; (at = repaired.find('\n', at)) != std::string::npos; ++at) {
    EXPECT_EQ(repaired[at - 1], '\r');
  }
}

TEST(RewriteCueSheet, LetterCaseOfImageNames) {
  if (kFolderSeparator != u'/') GTEST_SKIP() << "Windows' own lookup ignores letter case";
  EXPECT_EQ(Repair(CrLf({"FILE \"RACER.BIN\" BINARY"}), {u"Racer.bin"}), CrLf({kFile}));
  // Several spellings: the first in byte order; an empty one does not count.
  EXPECT_EQ(Repair(CrLf({"FILE \"racer.bin\" BINARY"}), {u"rACER.bin", u"RaCeR.bin"}),
            CrLf({"FILE \"RaCeR.bin\" BINARY"}));
  // A candidate's exact match, then its case-folded one, before the next suffix.
  EXPECT_EQ(Repair(CrLf({"FILE \"racer\" BINARY"}), {u"RACER", u"racer.bin"}),
            CrLf({"FILE \"RACER\" BINARY"}));
  EXPECT_EQ(Repair(CrLf({"FILE \"racer\" BINARY"}), {u"RACER.BIN", u"racer.img"}),
            CrLf({"FILE \"RACER.BIN\" BINARY"}));
  // Only ASCII letters fold.
  EXPECT_EQ(Repair(CrLf({"FILE \"\xC3\x89T\xC3\x89.bin\" BINARY"}), {u"\u00E9t\u00E9.bin"}),
            CrLf({"FILE \"\" BINARY"}));
}

// Many generated sheets, each checked for the promises a repair keeps:
// the backup holds the original bytes (or, where nothing changed, there is
// none), and the new sheet holds only FILE,
// TRACK, PREGAP and INDEX lines, indented as they should be, ending in CR LF.
TEST(RewriteCueSheet, EveryRepairKeepsItsPromises) {
  const std::vector<std::string> pieces = {
      "FILE \"Racer.bin\" BINARY", "FILE \"gone.wav\" WAVE", "FILE noquote", "TRACK 01 AUDIO",
      "TRACK 02 MODE1/2352", "  TRACK 03  AUDIO", "PREGAP 00:02:00", "INDEX 00 00:00:00",
      "INDEX 01 00:01:02", "INDEX 01 99:59:74", "INDEX 01 7:00:00", "INDEX 02 01:00:00",
      "REM x", "TITLE \"\xE9t\xE9\"", "", "\t", "   ", "\xEF\xBB\xBF", "\xFF\xFE", "INDEX",
      "FILE", "TRACK", "\x00", "INDEX 01 00:00:00 trailing"};
  const std::vector<std::string> ends = {"\r\n", "\n", "\r", std::string("\0", 1), "\n\r"};
  std::mt19937 random(42);
  TempFolder folder;
  WriteBytes(folder / u"Racer.bin", "x");
  for (int sheetNumber = 0; sheetNumber < 300; ++sheetNumber) {
    std::string sheet;
    const int lines = static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      sheet += std::string(random() % 3, ' ') + pieces[random() % pieces.size()] +
               ends[random() % ends.size()];
    }
    if (sheet.empty()) sheet = "REM";
    const Text path = folder / (u"s" + Text(1, char16_t(u'a' + sheetNumber % 26)) +
                                Text(1, char16_t(u'a' + sheetNumber / 26)) + u".cue");
    WriteBytes(path, sheet);
    ScriptDialogAnswers({});
    ASSERT_TRUE(RewriteReturned(path));
    const std::string repaired = ReadBytes(path);
    ASSERT_EQ(ReadBytes(path + u".bak"), repaired == sheet ? "<missing>" : sheet);

    size_t start = 0;
    while (start < repaired.size()) {
      const size_t end = repaired.find("\r\n", start);
      ASSERT_NE(end, std::string::npos) << "a line without CR LF in sheet " << sheetNumber;
      const std::string line = repaired.substr(start, end - start);
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
      const bool ok = line.rfind("FILE \"", 0) == 0 || line.rfind("  TRACK", 0) == 0 ||
                      line.rfind("    PREGAP", 0) == 0 || line.rfind("    INDEX", 0) == 0;
      EXPECT_TRUE(ok) << "sheet " << sheetNumber << " wrote: " << line;
      start = end + 2;
    }
  }
}
