#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "files/file_size.h"
#include "files/sheet_repair.h"
#include "files/text_file.h"
#include "tests/support/temp_folder.h"
#include "text/path_separator.h"

TEST(FileSize, FilesFoldersAndNothing) {
  TempFolder folder;
  WriteBytes(folder / u"empty.cue", "");
  WriteBytes(folder / u"three.bin", "abc");
  MakeFolder(folder / u"sub");
  EXPECT_EQ(FileSize(u""), kNoFile);
  EXPECT_EQ(FileSize(folder / u"missing"), kNoFile);
  EXPECT_EQ(FileSize(folder / u"empty.cue"), 0);
  EXPECT_EQ(FileSize(folder / u"three.bin"), 3);
  EXPECT_EQ(FileSize(folder / u"sub"), kFolder);
  EXPECT_EQ(FileSize(folder / u"sub" + Text(1, kFolderSeparator)), kFolder);
  EXPECT_EQ(FileSize(folder / u"sub/"), kFolder);
  EXPECT_EQ(FileSize(folder.Path()), kFolder);
  EXPECT_EQ(FileSize(folder / u"sub" + Text(1, kFolderSeparator) + u".." +
                     Text(1, kFolderSeparator) + u"three.bin"),
            3);
}

TEST(FileSize, WildcardsAreNeverExpanded) {
  TempFolder folder;
  WriteBytes(folder / u"game.bin", "data");
  EXPECT_EQ(FileSize(folder / u"*.bin"), kNoFile);
  EXPECT_EQ(FileSize(folder / u"gam?.bin"), kNoFile);
  EXPECT_EQ(FileSize(folder / u"*"), kNoFile);
}

// A path cut to 260 characters would name another file: here, the sheet
// itself instead of its backup.
TEST(FileSize, LongPathsAreNeverCut) {
  TempFolder folder;
  const Text base = folder.Path();
  const Text sheet = base + Text(260 - base.size(), u'x');
  WriteBytes(sheet, "sheet");
  if (ReadBytes(sheet) != "sheet") GTEST_SKIP() << "the platform refuses a 260-character path";
  EXPECT_EQ(FileSize(sheet), 5);
  EXPECT_EQ(FileSize(sheet + u".bak"), kNoFile);
  EXPECT_EQ(FileSize(base + Text(5000, u'y')), kNoFile);
}

TEST(FileSize, SizesPast32Bits) {
  TempFolder folder;
  const Text path = folder / u"big.bin";
  std::error_code error;
  { std::ofstream create(Fs(path), std::ios::binary); }
  std::filesystem::resize_file(Fs(path), 5368709120ULL, error);
  if (error) GTEST_SKIP() << "no sparse 5 GiB file here: " << error.message();
  EXPECT_EQ(FileSize(path), 5368709120LL);
}

// Only regular files and folders are real: a FIFO would block the run
// forever if it were ever opened.
TEST(FileSize, SpecialFilesAreNeverOpened) {
#ifdef _WIN32
  GTEST_SKIP() << "no FIFOs on Windows";
#else
  TempFolder folder;
  const Text fifo = folder / u"pipe.cue";
  ASSERT_EQ(mkfifo(Fs(fifo).c_str(), 0600), 0);
  EXPECT_EQ(FileSize(fifo), kNoFile);
  EXPECT_EQ(OpenPlatformFileForPeeking(fifo), kNoPlatformFile);
  EXPECT_EQ(CreateSheet(fifo), 0);
  EXPECT_EQ(OpenSheetForRepair(fifo).opening, Opening::NotAFile);
#endif
}

// A device is no file: Windows takes CON and NUL, with any extension and in
// any folder, for the console and the null device ("Z:\dev\null" is a
// Linux device seen through wine's Z: drive). AUX, PRN, COM1 and LPT1
// would reach this machine's real ports, so they are tried only in a wine
// prefix of their own (wine_faults.sh). Nothing is read from any of them.
TEST(FileSize, DevicesAreNeverOpened) {
  TempFolder folder;
  WriteBytes(folder / u"sheet.cue", "FILE \"x.bin\" BINARY\r\n");
  struct Device {
    Text path;
    bool byName;  // known by its name before any lookup, so FileSize is kNoFile
  };
  const std::vector<Device> devices =
      kFolderSeparator == u'\\'
          ? std::vector<Device>{{folder / u"NUL.img", true}, {folder / u"nul", true},
                                {folder / u"CON.cue", true}, {folder / u"Con.Cue.Bak", true},
                                {u"Z:\\dev\\null", false}}
          : std::vector<Device>{{u"/dev/null", true}};
  for (const Device& device : devices) {
    SCOPED_TRACE(Fs(device.path).string());
    if (device.byName) {
      EXPECT_EQ(FileSize(device.path), kNoFile);
    }
    const PlatformFile reading = OpenPlatformFileForPeeking(device.path);
    EXPECT_EQ(reading, kNoPlatformFile);
    if (reading != kNoPlatformFile) ClosePlatformFile(reading);
    EXPECT_EQ(OpenSheetForRepair(device.path).opening, Opening::NotAFile);
    const SheetOutputHandle created = CreateSheet(device.path);
    EXPECT_EQ(created, 0);
    DropSheetOutput(created);
  }
  // Whatever was tried, nothing but the sheet stands in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.root),
                          std::filesystem::directory_iterator()),
            1);
}
