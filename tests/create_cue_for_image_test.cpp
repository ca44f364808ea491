#include <gtest/gtest.h>

#include <filesystem>

#include "app/create_cue_for_image.h"
#include "files/file_size.h"
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
