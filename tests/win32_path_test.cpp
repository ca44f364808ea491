#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "files/win32_disk_file.h"
#include "files/win32_path.h"
#include "text/utf8.h"

namespace {

Text FromWide(const std::wstring& wide) { return Text(wide.begin(), wide.end()); }

const Text kA(150, u'a');
const Text kB(150, u'b');

}  // namespace

// Wine opens paths past MAX_PATH without the prefix, so a sweep there
// cannot show a conversion gone wrong; these pin the conversion itself.
TEST(WidePath, OnlyLongPathsAreMadeFullAndPrefixed) {
  const Text deep = u"C:\\" + kA + u"\\" + kB;
  const std::vector<std::pair<Text, Text>> cases = {
      // Shorter than MAX_PATH: exactly as given, "..", "/" and all.
      {u"C:\\games\\..\\x.cue", u"C:\\games\\..\\x.cue"},
      {u"C:/games/x.cue", u"C:/games/x.cue"},
      {u"C:\\" + Text(256, u'x'), u"C:\\" + Text(256, u'x')},
      // MAX_PATH and more.
      {u"C:\\" + Text(257, u'x'), u"\\\\?\\C:\\" + Text(257, u'x')},
      {deep + u"\\.\\c\\..\\x.cue", u"\\\\?\\" + deep + u"\\x.cue"},
      {u"C:/" + kA + u"/" + kB + u"/x.cue", u"\\\\?\\" + deep + u"\\x.cue"},
      {u"\\\\server\\share\\" + kA + u"\\" + kB + u"\\..\\x.cue",
       u"\\\\?\\UNC\\server\\share\\" + kA + u"\\x.cue"},
      // Already in the platform's long form: left alone.
      {u"\\\\?\\" + deep + u"\\..\\x.cue", u"\\\\?\\" + deep + u"\\..\\x.cue"},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(FromWide(WidePath(path)), expected) << EncodeUtf8(path);
  }
}

// Device names as wine and Windows up to 10 read them, with an extension
// too; the reading is the platform's own, so it follows the version.
TEST(NamesDevice, DeviceNamesInAnyFolderAndNothingElse) {
  const Text longFolder = u"C:\\" + kA + u"\\" + kB + u"\\";
  const std::vector<std::pair<Text, bool>> cases = {
      {u"C:\\discs\\NUL", true},           {u"C:\\discs\\com1", true},
      {u"C:\\discs\\LPT9", true},          {u"CON", true},
      {u"C:\\discs\\NUL.img", true},       {u"C:\\discs\\con.cue.bak", true},
      {longFolder + u"AUX.bin", true},     {u"\\\\.\\COM1", true},
      {u"\\\\?\\COM1", true},              {u"C:\\discs\\x.cue", false},
      {u"C:\\discs\\COM10.img", false},    {u"C:\\discs\\NULL.img", false},
      {u"C:\\discs\\nul\\x.cue", false},   {u"\\\\.\\C:\\discs\\x.cue", false},
      {u"\\\\?\\C:\\discs\\NUL.img", false}, {longFolder + u"x.cue", false},
      {u"", false},
  };
  for (const auto& [path, device] : cases) {
    EXPECT_EQ(NamesDevice(path), device) << EncodeUtf8(path);
  }
}
