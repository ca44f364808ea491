// The copy that backs a sheet up where the file system has no hard links.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "files/file_copy_posix.h"
#include "files/file_size.h"
#include "tests/support/other_opener.h"
#include "tests/support/temp_folder.h"

namespace {

// Copies the file at source, opened as the sheet is: nonzero on success.
int32_t CopyFileTo(const Text& source, const Text& destination) {
  const PlatformFile from = OpenPlatformFileForPeeking(source);
  if (from == kNoPlatformFile) return 0;
  const int32_t copied = CopyOpenFileTo(from, destination);
  ClosePlatformFile(from);
  return copied;
}

}  // namespace

TEST(CopyOpenFileTo, CopiesWholeAndNeverReplacesContent) {
  TempFolder folder;
  const std::string bytes("FILE\0\xFF\r\n", 8);
  WriteBytes(folder / u"a.cue", bytes);
  EXPECT_NE(CopyFileTo(folder / u"a.cue", folder / u"new.cue"), 0);
  EXPECT_EQ(ReadBytes(folder / u"new.cue"), bytes);
  // Only an empty file gives way; one with content, or a folder, does not.
  WriteBytes(folder / u"empty.cue", "");
  EXPECT_NE(CopyFileTo(folder / u"a.cue", folder / u"empty.cue"), 0);
  EXPECT_EQ(ReadBytes(folder / u"empty.cue"), bytes);
  WriteBytes(folder / u"b.cue", "old and longer content");
  EXPECT_EQ(CopyFileTo(folder / u"a.cue", folder / u"b.cue"), 0);
  EXPECT_EQ(ReadBytes(folder / u"b.cue"), "old and longer content");
  MakeFolder(folder / u"dir.bak");
  EXPECT_EQ(CopyFileTo(folder / u"a.cue", folder / u"dir.bak"), 0);
  EXPECT_EQ(FileSize(folder / u"dir.bak"), kFolder);

  WriteBytes(folder / u"nothing.cue", "");
  EXPECT_EQ(CopyFileTo(folder / u"nothing.cue", folder / u"c.cue"), 0);
  // Nothing is left behind by any of them: no partial or temporary copy.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.root)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.cue", "b.cue", "dir.bak", "empty.cue", "new.cue",
                                             "nothing.cue"}));
}

TEST(CopyOpenFileTo, RefusesADestinationHeldOpen) {
  TempFolder folder;
  WriteBytes(folder / u"a.cue", "new");
  WriteBytes(folder / u"held.cue", "held content");
  const PlatformFile held = HoldAsAnotherOpener(folder / u"held.cue", true);
  ASSERT_NE(held, kNoPlatformFile);
  EXPECT_EQ(CopyFileTo(folder / u"a.cue", folder / u"held.cue"), 0);
  ClosePlatformFile(held);
  EXPECT_EQ(ReadBytes(folder / u"held.cue"), "held content");
}

// Neither end of a copy is ever a FIFO or a device.
TEST(CopyOpenFileTo, SpecialFilesAreNeverCopied) {
  TempFolder folder;
  const Text fifo = folder / u"pipe.cue";
  ASSERT_EQ(mkfifo(Fs(fifo).c_str(), 0600), 0);
  WriteBytes(folder / u"a.cue", "x");
  EXPECT_EQ(CopyFileTo(folder / u"a.cue", fifo), 0);
  EXPECT_EQ(CopyFileTo(folder / u"a.cue", u"/dev/null"), 0);
  const PlatformFile device = OpenPlatformFileForPeeking(u"/dev/null");
  EXPECT_EQ(device, kNoPlatformFile);
  EXPECT_EQ(CopyOpenFileTo(device, folder / u"copy.bak"), 0);
  EXPECT_FALSE(Exists(folder / u"copy.bak"));
}
