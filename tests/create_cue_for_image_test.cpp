#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "app/create_cue_for_image.h"
#include "files/file_size.h"
#include "files/platform_file.h"
#include "tests/support/other_opener.h"
#include "tests/support/temp_folder.h"

namespace {

std::string SheetFor(const std::string& imageName, const std::string& mode) {
  return "FILE \"" + imageName + "\" BINARY\r\n  TRACK 01 " + mode + "\r\n    INDEX 01 00:00:00\r\n";
}

// A 2048-byte-sector ISO 9660 image: its volume descriptor in sector 16.
std::string IsoImage() {
  std::string image(16 * 2048, '\0');
  image += std::string("\x01" "CD001\x01", 7) + std::string(2041, '\0');
  return image;
}

std::string RawImage(char mode) {
  std::string sector("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
  sector += std::string("\x00\x02\x00", 3) + mode;
  return sector + std::string(2352 - 16, '\0');
}

}  // namespace

TEST(CreateCueForImage, WritesThreeLinesBesideTheImage) {
  TempFolder folder;
  WriteBytes(folder / u"Racer.BIN", RawImage(2));
  CreateCueForImage(folder / u"Racer.BIN");
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"), SheetFor("Racer.BIN", "MODE2/2352"));

  // An image that does not exist still gets its sheet.
  CreateCueForImage(folder / u"Ghost.img");
  EXPECT_EQ(ReadBytes(folder / u"Ghost.cue"), SheetFor("Ghost.img", "MODE2/2352"));
  EXPECT_FALSE(Exists(folder / u"Ghost.img"));

  CreateCueForImage(folder / u"Racer.Disc1.iso");
  EXPECT_EQ(ReadBytes(folder / u"Racer.Disc1.cue"), SheetFor("Racer.Disc1.iso", "MODE2/2352"));
}

TEST(CreateCueForImage, LeavesASheetWithContentAlone) {
  TempFolder folder;
  WriteBytes(folder / u"Racer.cue", "mine");
  CreateCueForImage(folder / u"Racer.bin");
  EXPECT_EQ(ReadBytes(folder / u"Racer.cue"), "mine");

  WriteBytes(folder / u"Empty.cue", "");
  CreateCueForImage(folder / u"Empty.bin");
  EXPECT_EQ(ReadBytes(folder / u"Empty.cue"), SheetFor("Empty.bin", "MODE2/2352"));

  MakeFolder(folder / u"Dir.cue");
  CreateCueForImage(folder / u"Dir.bin");
  EXPECT_EQ(FileSize(folder / u"Dir.cue"), -2);

  // A sheet name that is a link, dangling or to an empty file, is never
  // written or created through.
  WriteBytes(folder / u"elsewhere.txt", "");
  std::error_code error;
  std::filesystem::create_symlink("elsewhere.txt", Fs(folder / u"Linked.cue"), error);
  std::filesystem::create_symlink("nowhere.txt", Fs(folder / u"Dangling.cue"), error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  CreateCueForImage(folder / u"Linked.bin");
  CreateCueForImage(folder / u"Dangling.bin");
  EXPECT_EQ(ReadBytes(folder / u"elsewhere.txt"), "");
  EXPECT_FALSE(Exists(folder / u"nowhere.txt"));
}

TEST(TrackModeOf, OnlyProvenFormatsChangeTheMode) {
  TempFolder folder;
  const std::string iso = IsoImage();
  WriteBytes(folder / u"Plain.iso", iso);
  CreateCueForImage(folder / u"Plain.iso");
  EXPECT_EQ(ReadBytes(folder / u"Plain.cue"), SheetFor("Plain.iso", "MODE1/2048"));
  EXPECT_EQ(ReadBytes(folder / u"Plain.iso"), iso);

  EXPECT_EQ(TrackModeOf(RawImage(1)), u"MODE1/2352");
  EXPECT_EQ(TrackModeOf(RawImage(2)), u"MODE2/2352");
  EXPECT_EQ(TrackModeOf(""), u"MODE2/2352");
  EXPECT_EQ(TrackModeOf(iso.substr(0, 32770)), u"MODE2/2352");  // too short to hold "CD001"
  EXPECT_EQ(TrackModeOf(std::string(40000, '\0')), u"MODE2/2352");
  // Raw sectors that happen to hold "CD001" where an ISO would are raw.
  std::string raw = RawImage(2) + std::string(40000, '\0');
  raw.replace(32769, 5, "CD001");
  EXPECT_EQ(TrackModeOf(raw), u"MODE2/2352");
}

// An emulator running an image holds it open, perhaps locked: the look at
// its first bytes still gets through, and the mode is still proven.
TEST(TrackModeOf, AnImageHeldByAnotherProgramIsStillRead) {
  // Each holder takes the image and gives back what lets it go again.
  using Holder = std::function<std::function<void()>(const Text&)>;
  std::vector<Holder> holders = {[](const Text& image) -> std::function<void()> {
    // Another opener reading it, sharing it with other readers only.
    const PlatformFile reader = HoldAsAnotherOpener(image, false);
    EXPECT_NE(reader, kNoPlatformFile);
    return [reader] { ClosePlatformFile(reader); };
  }};
#ifndef _WIN32
  holders.push_back([](const Text& image) -> std::function<void()> {
    // Another process with an exclusive lock on it.
    int ready[2], release[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(release[1]);  // so that the parent's close ends the wait below
      const int fd = open(Fs(image).c_str(), O_RDONLY);
      const bool locked = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
      char byte = locked ? 'y' : 'n';
      if (write(ready[1], &byte, 1) != 1 || read(release[0], &byte, 1) < 0) _exit(1);
      _exit(0);
    }
    char locked = 'n';
    EXPECT_EQ(read(ready[0], &locked, 1), 1);
    EXPECT_EQ(locked, 'y');
    return [=] {
      close(release[1]);
      waitpid(child, nullptr, 0);
      for (const int end : {ready[0], ready[1], release[0]}) close(end);
    };
  });
#endif
  for (size_t i = 0; i < holders.size(); ++i) {
    SCOPED_TRACE(i);
    TempFolder folder;
    WriteBytes(folder / u"Held.iso", IsoImage());
    const std::function<void()> letGo = holders[i](folder / u"Held.iso");
    CreateCueForImage(folder / u"Held.iso");
    letGo();
    EXPECT_EQ(ReadBytes(folder / u"Held.cue"), SheetFor("Held.iso", "MODE1/2048"));
  }
}
