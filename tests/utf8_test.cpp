#include <gtest/gtest.h>

#include <random>

#include "files/line_codec.h"
#include "text/utf8.h"

namespace {

Text Decode(const std::string& bytes) { return DecodeUtf8(bytes.data(), bytes.size()); }

}  // namespace

TEST(Utf8, DecodesWellFormedText) {
  EXPECT_EQ(Decode("FILE"), u"FILE");
  EXPECT_EQ(Decode("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(Decode("\xE2\x82\xAC"), u"\u20AC");
  EXPECT_EQ(Decode("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");
  EXPECT_EQ(Decode("\xEF\xBB\xBFx"), u"\uFEFFx");
}

TEST(Utf8, ReplacesEachIllFormedSubpartOnce) {
  EXPECT_EQ(Decode("\xE9"), u"\uFFFD");
  EXPECT_EQ(Decode("caf\xE9 x"), u"caf\uFFFD x");
  EXPECT_EQ(Decode("\xE2\x82"), u"\uFFFD");          // cut short
  EXPECT_EQ(Decode("\xE2\x82x"), u"\uFFFDx");        // broken by a plain byte
  EXPECT_EQ(Decode("\x80\xBF"), u"\uFFFD\uFFFD");    // stray continuation bytes
  EXPECT_EQ(Decode("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong
  EXPECT_EQ(Decode("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
  EXPECT_EQ(Decode("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
  EXPECT_EQ(Decode("\xFF"), u"\uFFFD");
}

TEST(Utf8, EncodesAndRoundTrips) {
  EXPECT_EQ(EncodeUtf8(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(EncodeUtf8(u"\U0001F3B5"), "\xF0\x9F\x8E\xB5");
  EXPECT_EQ(EncodeUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(EncodeUtf8(Text(1, char16_t(0xDC00)) + u"a"), "\xEF\xBF\xBD" "a");
  const Text mixed = u"Disc \u00E9\u20AC\U0001F3B5 1.bin";
  EXPECT_EQ(Decode(EncodeUtf8(mixed)), mixed);
}

// The text-file service converts with the platform's own codec on Windows
// and with the portable one elsewhere. The line reader hands the decoder
// well-formed UTF-8 only (it replaces what is not itself), so on that the
// two must agree exactly, and they must encode alike any text but one
// holding the stand-ins for name bytes, which only POSIX names do.
TEST(Utf8, PortableCodecMatchesThePlatformCodec) {
  std::mt19937 random(20261208);
  for (int i = 0; i < 3000; ++i) {
    Text text;
    const int length = static_cast<int>(random() % 8);
    for (int j = 0; j < length; ++j) {
      const char32_t ranges[] = {0x7F, 0x7FF, 0xFFFF, 0x10FFFF};
      char32_t c = random() % (ranges[random() % 4] + 1);
      if (c >= 0xD800 && c <= 0xDFFF) c = u'x';
      if (c >= 0x10000) {
        text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        text += static_cast<char16_t>(c);
      }
    }
    const std::string bytes = EncodeUtf8(text);
    ASSERT_EQ(bytes, EncodeLineText(text));
    ASSERT_EQ(Decode(bytes), DecodeLineBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(Decode(bytes), text);
  }
  for (const Text& text : std::vector<Text>{Text(1, char16_t(0xD800)),
                                            Text(1, char16_t(0xDFFF)) + u"x",
                                            u"a" + Text(1, char16_t(0xDBFF)) + u"b"}) {
    EXPECT_EQ(EncodeUtf8(text), EncodeLineText(text));
  }
}

// A POSIX name is bytes, UTF-8 or not: what is UTF-8 reads as text, each
// other byte stands for itself, and every name comes back byte for byte.
TEST(Utf8, NamesKeepTheirBytes) {
  const auto keep = [](const std::string& bytes) {
    return DecodeUtf8KeepingBytes(bytes.data(), bytes.size());
  };
  EXPECT_EQ(keep("Caf\xE9.cue"), u"Caf\xDCE9.cue");
  EXPECT_EQ(keep("Caf\xC3\xA9.cue"), u"Caf\u00E9.cue");
  EXPECT_EQ(keep("\xE2\x82x\xED\xA0\x80"), u"\xDCE2\xDC82x\xDCED\xDCA0\xDC80");
  EXPECT_EQ(EncodeUtf8(u"\xDCE9\xDC80\xDCFF"), "\xE9\x80\xFF");
  std::mt19937 random(20261208);
  for (int i = 0; i < 3000; ++i) {
    std::string bytes(random() % 12, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() % 0x100);
    ASSERT_EQ(EncodeUtf8(keep(bytes)), bytes);
    if (EncodeUtf8(Decode(bytes)) == bytes) {
      ASSERT_EQ(keep(bytes), Decode(bytes));  // well-formed: read as text alike
    }
  }
}

TEST(Utf8, WellFormedCharacters) {
  const auto check = [](const std::string& bytes) {
    return IsWellFormedCharacter(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  };
  EXPECT_TRUE(check("a"));
  EXPECT_TRUE(check("\xC3\xA9"));
  EXPECT_TRUE(check("\xF4\x8F\xBF\xBF"));
  EXPECT_FALSE(check(""));
  EXPECT_FALSE(check("ab"));
  EXPECT_FALSE(check("\xC0\xAF"));
  EXPECT_FALSE(check("\xE0\x80\x80"));
  EXPECT_FALSE(check("\xED\xA0\x80"));
  EXPECT_FALSE(check("\xF4\x90\x80\x80"));
  EXPECT_FALSE(check("\xE2\x82"));
  EXPECT_FALSE(check("\x80"));
}
