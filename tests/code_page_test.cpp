#include <gtest/gtest.h>

#include <vector>

#include "text/code_page.h"

namespace {

struct Decoding {
  int32_t codePage;
  std::string bytes;
  Text text;
};

}  // namespace

// Names as each page writes them. The bytes keep clear of the few that
// glibc refuses and Windows maps (the single-byte pages' holes, 0x80 in
// 932, the user-defined rows of 936 and 950), so both builds agree.
TEST(DecodeCodePage, ReadsNamesInEachPage) {
  const std::vector<Decoding> decodings = {
      {1252, "03 Grana\xedna.wav", u"03 Grana\u00EDna.wav"},
      {1252, "\x80 \x8a\x9f\xff", u"\u20AC \u0160\u0178\u00FF"},
      {1251, "\xd1\xf2\xee\xf0\xee\xed\xe0 \xc0", u"\u0421\u0442\u043E\u0440\u043E\u043D\u0430 \u0410"},
      {1250, "P\xf8\xedli\x9a \x9elu\x9dou\xe8k\xfd k\xf9\xf2",
       u"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148"},
      {932, "\x83\x54\x83\x45\x83\x93\x83\x68\x83\x67\x83\x89\x83\x62\x83\x4e.bin",
       u"\u30B5\u30A6\u30F3\u30C9\u30C8\u30E9\u30C3\u30AF.bin"},
      {932, "\xb1\xcc\xdf 1", u"\uFF71\uFF8C\uFF9F 1"},  // half-width kana are single bytes
      {936, "01 \xd4\xc2\xc1\xc1\xb4\xfa\xb1\xed\xce\xd2\xb5\xc4\xd0\xc4.wav",
       u"01 \u6708\u4EAE\u4EE3\u8868\u6211\u7684\u5FC3.wav"},
      {936, "\x80", u"\u20AC"},
      {950, "\xad\xb5\xbc\xd6 \xa4\xeb\xab\x47", u"\u97F3\u6A02 \u6708\u4EAE"},
  };
  for (const Decoding& decoding : decodings) {
    EXPECT_EQ(DecodeCodePage(decoding.bytes, decoding.codePage), decoding.text)
        << decoding.codePage << " " << decoding.bytes;
  }
}

// A name one page cannot read is tried in the next, never half read.
TEST(DecodeCodePage, RefusesWhatThePageDoesNotDefine) {
  const std::vector<Decoding> refusals = {
      {1252, "", u""},
      {932, "\x83\x54\x83", u""},      // cut short
      {932, "\x89\x20", u""},          // no trail byte
      {932, "\x85\x40", u""},          // an empty row
      {936, "\xd4\xc2\xc1", u""},
      {936, "\xd4\x7f", u""},
      {950, "\xad\xb5\xbc", u""},
      {950, "\xad\x20", u""},
      {950, "ab\xa1\x7f.bin", u""},
  };
  for (const Decoding& refusal : refusals) {
    EXPECT_EQ(DecodeCodePage(refusal.bytes, refusal.codePage), refusal.text)
        << refusal.codePage << " " << refusal.bytes;
  }
}
