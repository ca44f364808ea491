#include <gtest/gtest.h>

#include <random>

#include "text/utf8.h"

namespace {

Text Decode(const std::string& bytes) { return DecodeUtf8KeepingBytes(bytes.data(), bytes.size()); }

}  // namespace

TEST(Utf8, DecodesWellFormedText) {
  EXPECT_EQ(Decode("FILE"), u"FILE");
  EXPECT_EQ(Decode("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(Decode("\xE2\x82\xAC"), u"\u20AC");
  EXPECT_EQ(Decode("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");
  EXPECT_EQ(Decode("\xEF\xBB\xBFx"), u"\uFEFFx");
}

TEST(Utf8, EncodesAndRoundTrips) {
  EXPECT_EQ(EncodeUtf8(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(EncodeUtf8(u"\U0001F3B5"), "\xF0\x9F\x8E\xB5");
  EXPECT_EQ(EncodeUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(EncodeUtf8(Text(1, char16_t(0xDC00)) + u"a"), "\xEF\xBF\xBD" "a");
  const Text mixed = u"Disc \u00E9\u20AC\U0001F3B5 1.bin";
  EXPECT_EQ(Decode(EncodeUtf8(mixed)), mixed);
}

// A POSIX name is bytes, UTF-8 or not: what is UTF-8 reads as text, each
// other byte stands for itself, and every name comes back byte for byte.
TEST(Utf8, NamesKeepTheirBytes) {
  const auto keep = Decode;
  EXPECT_EQ(keep("Caf\xE9.cue"), u"Caf\xDCE9.cue");
  EXPECT_EQ(keep("Caf\xC3\xA9.cue"), u"Caf\u00E9.cue");
  EXPECT_EQ(keep("\xE2\x82x\xED\xA0\x80"), u"\xDCE2\xDC82x\xDCED\xDCA0\xDC80");
  EXPECT_EQ(EncodeUtf8(u"\xDCE9\xDC80\xDCFF"), "\xE9\x80\xFF");
  std::mt19937 random(20261208);
  for (int i = 0; i < 3000; ++i) {
    std::string bytes(random() % 12, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() % 0x100);
    ASSERT_EQ(EncodeUtf8(keep(bytes)), bytes);
  }
}

// A text read in pieces: a character cut by a piece's end is held back for
// the next piece, and nothing else is.
TEST(Utf8, IncompleteTails) {
  const std::pair<std::string, size_t> cases[] = {
      {"", 0},          {"a", 0},           {"\xC3", 1},           {"a\xE2\x82", 2},
      {"\xF0\x9F\x8E", 3}, {"\xC3\xA9", 0},      {"\xE2\x82\xAC", 0},    {"\xE9", 1},
      {"\xE9" "a", 0},      {"\x82", 0},         {"\xC0", 0},           {"\xE0\x80", 0},
      {"\xED\xA0", 0},   {"\xF4\x90", 0},     {"\xF5", 0},           {"\xF0\x9F\x8E\xB5", 0},
  };
  for (const auto& [bytes, tail] : cases) {
    EXPECT_EQ(Utf8IncompleteTail(bytes.data(), bytes.size()), tail) << bytes;
  }
}
