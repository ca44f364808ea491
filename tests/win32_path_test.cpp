#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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
