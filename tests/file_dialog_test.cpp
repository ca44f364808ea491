#include <gtest/gtest.h>

#include "text/path_separator.h"
#include "ui/file_dialog.h"

namespace {

// Default files are written with "\\" and tried with the platform's own
// separator; "~" stands for the other one.
Text Native(Text path) {
  for (char16_t& c : path) {
    if (c == u'\\') c = kFolderSeparator;
    else if (c == u'~') c = kFolderSeparator == u'/' ? u'\\' : u'/';
  }
  return path;
}

FileDialogRequest Prepare(const Text& defaultFile) {
  return PrepareFileDialog(FileDialogKind::Open, u"t", Native(defaultFile), u"", 0);
}

}  // namespace

TEST(PrepareFileDialog, InitialFolderAndName) {
  FileDialogRequest request = Prepare(u"all");
  EXPECT_TRUE(request.hasInitialFolder);
  EXPECT_EQ(request.initialFolder, u"");
  EXPECT_EQ(request.initialName, u"all");

  request = Prepare(u"C:\\discs\\game\\track.bin");
  EXPECT_EQ(request.initialFolder, Native(u"C:\\discs\\game"));
  EXPECT_EQ(request.initialName, u"track.bin");

  request = Prepare(u"C:\\track.bin");
  EXPECT_EQ(request.initialFolder, u"C:");
  EXPECT_EQ(request.initialName, u"track.bin");

  request = Prepare(u"C:\\discs\\");
  EXPECT_EQ(request.initialFolder, Native(u"C:\\discs"));
  EXPECT_EQ(request.initialName, u"");

  request = Prepare(u"C:\\discs\\sub~track.bin");
  EXPECT_EQ(request.initialFolder, Native(u"C:\\discs"));
  EXPECT_EQ(request.initialName, u"");

  request = Prepare(u"C:\\discs\\*.bin");
  EXPECT_EQ(request.initialFolder, Native(u"C:\\discs"));
  EXPECT_EQ(request.initialName, u"");
}

TEST(PrepareFileDialog, EdgesOfTheDefaultFile) {
  FileDialogRequest request = Prepare(u"");
  EXPECT_FALSE(request.hasInitialFolder);
  EXPECT_EQ(request.initialName, u"");

  // A backslash in the first position separates nothing.
  request = Prepare(u"\\track.bin");
  EXPECT_TRUE(request.hasInitialFolder);
  EXPECT_EQ(request.initialFolder, u"");
  EXPECT_EQ(request.initialName, u"");

  request = Prepare(u"C:\\d\\" + Text(300, u'n'));
  EXPECT_EQ(request.initialName, Text(259, u'n'));

  // A path of the other platform gives no folder, and its name is refused.
  request = Prepare(u"~home~u~disc.bin");
  EXPECT_EQ(request.initialFolder, u"");
  EXPECT_EQ(request.initialName, u"");
}

TEST(IsValidFileName, RefusesReservedCharacters) {
  EXPECT_TRUE(IsValidFileName(u"Racer (Disc 1).bin"));
  EXPECT_TRUE(IsValidFileName(u"\u00E9t\u00E9.bin"));
  EXPECT_FALSE(IsValidFileName(u""));
  for (char16_t c : Text(u"\"*/:<>?\\|\x01\x1F")) {
    EXPECT_FALSE(IsValidFileName(Text(u"a") + c + u"b")) << int(c);
  }
}

TEST(Filters, SplitAndConvert) {
  const std::vector<FileFilter> filters =
      FiltersOf(u"Cue/Bin/Img/Iso|*.cue;*.bin;*.iso;*.img|all|*.*");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, u"Cue/Bin/Img/Iso");
  EXPECT_EQ(filters[0].patterns, u"*.cue;*.bin;*.iso;*.img");
  EXPECT_EQ(filters[1].description, u"all");
  EXPECT_EQ(filters[1].patterns, u"*.*");

  ASSERT_EQ(FiltersOf(u"a|b|").size(), 1u);
  EXPECT_EQ(FiltersOf(u"a|b|")[0].patterns, u"b");
  EXPECT_TRUE(FiltersOf(u"").empty());

  EXPECT_EQ(FilterListForDialog(u"a|b|"), Text(u"a\0b\0\0\0\0", 7));
  EXPECT_EQ(FilterListForDialog(u"bin|*.bin"), Text(u"bin\0*.bin\0\0\0", 12));
  EXPECT_EQ(FilterListForDialog(u""), Text(3, u'\0'));
}
