#include <gtest/gtest.h>

#include "text/timestamp.h"

TEST(ParseTimestamp, MinutesAndSeconds) {
  EXPECT_EQ(ParseTimestamp(u"%ii:%ss", u"59:59"), 3599);
  EXPECT_EQ(ParseTimestamp(u"%ii:%ss", u"00:00"), 0);
  EXPECT_EQ(ParseTimestamp(u"%ii:%ss", u"5:07"), 307);
  EXPECT_EQ(ParseTimestamp(u"%ii:%ss", u"3:2"), 182);
  EXPECT_EQ(ParseTimestamp(u"%II:%SS", u"03:02"), 182);
}

TEST(ParseTimestamp, RefusesWhatDoesNotFit) {
  for (const Text& text : std::vector<Text>{u"60:00", u"03:75", u"03:0a", u"100:0", u"3:02:", u"", u" 03:02",
                           u"03-02", u":02", u"03:"}) {
    EXPECT_EQ(ParseTimestamp(u"%ii:%ss", text), -1) << std::string(text.begin(), text.end());
  }
  EXPECT_EQ(ParseTimestamp(u"", u"03:02"), -1);
}

TEST(ParseTimestamp, FullDates) {
  EXPECT_EQ(ParseTimestamp(u"%yyyy-%mm-%dd %hh:%ii:%ss", u"2038-01-19 03:14:07"), 2147483647);
  EXPECT_EQ(ParseTimestamp(u"%yyyy-%mm-%dd %hh:%ii:%ss", u"2038-01-19 03:14:08"), -1);
  EXPECT_EQ(ParseTimestamp(u"%yy%mm%dd", u"000229"), 951782400);  // 2000-02-29
  EXPECT_EQ(ParseTimestamp(u"%yy", u"69"), -1);  // 2069
  EXPECT_EQ(ParseTimestamp(u"%yy", u"70"), 0);
  EXPECT_EQ(ParseTimestamp(u"%yyyy", u"1999"), 915148800);
  // A "%" that starts no token stands for any one character.
  EXPECT_EQ(ParseTimestamp(u"%ii%x%ss", u"01/02"), 62);
}

TEST(TimestampFromParts, CalendarRules) {
  EXPECT_EQ(TimestampFromParts(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(TimestampFromParts(2038, 1, 19, 3, 14, 7), 2147483647);
  EXPECT_EQ(TimestampFromParts(2038, 1, 19, 3, 14, 8), -1);
  EXPECT_EQ(TimestampFromParts(2000, 2, 29, 0, 0, 0), 951782400);
  EXPECT_EQ(TimestampFromParts(2036, 2, 29, 12, 0, 0), 2087899200);
  EXPECT_EQ(TimestampFromParts(2037, 2, 29, 0, 0, 0), -1);
  EXPECT_EQ(TimestampFromParts(1970, 4, 31, 0, 0, 0), -1);
  EXPECT_EQ(TimestampFromParts(1969, 12, 31, 23, 59, 59), -1);
  EXPECT_EQ(TimestampFromParts(2000, 13, 1, 0, 0, 0), -1);
  EXPECT_EQ(TimestampFromParts(2000, 1, 1, 24, 0, 0), -1);
  EXPECT_EQ(TimestampFromParts(1970, 1, 1, 0, 60, 0), -1);
  EXPECT_EQ(TimestampFromParts(2024, 12, 31, 23, 59, 59), 1735689599);
}

TEST(TimestampFromParts, AgreesWithFormattingForEveryDayOfTheRange) {
  // Walk all days from 1970 to 2038 and make sure parsing undoes formatting.
  const Text mask = u"%yyyy-%mm-%dd %hh:%ii:%ss";
  for (timestamp t = 0; t < 2147483647 - 86400; t += 86400 + 3661) {
    EXPECT_EQ(ParseTimestamp(mask, FormatTimestamp(mask, t)), t);
  }
}

TEST(FormatTimestamp, MinutesAndSeconds) {
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 180), u"03:00");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 3597), u"59:57");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 0), u"00:00");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 1), u"00:01");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", -1), u"00:00");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 3600), u"00:00");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 3661), u"01:01");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", 0xFFFFFFFFLL), u"00:00");
  EXPECT_EQ(FormatTimestamp(u"%II-%x", 61), u"01-%x");
  EXPECT_EQ(FormatTimestamp(u"", 61), u"");
}

TEST(FormatTimestamp, InstantsBefore1970ReadAsUtc) {
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", -2), u"59:58");
  EXPECT_EQ(FormatTimestamp(u"%ii:%ss", -3), u"59:57");
  EXPECT_EQ(FormatTimestamp(u"%yyyy-%mm-%dd %hh", -2), u"1969-12-31 23");
}

TEST(FormatTimestamp, DateFields) {
  EXPECT_EQ(FormatTimestamp(u"%yyyy %yy %mm %dd", 0), u"1970 70 01 01");
  EXPECT_EQ(FormatTimestamp(u"%yyyy %yy", -1), u"0000 00");
  EXPECT_EQ(FormatTimestamp(u"%yyyy-%mm-%dd %hh:%ii:%ss", 2147483647), u"2038-01-19 03:14:07");
  EXPECT_EQ(FormatTimestamp(u"%yyyy-%mm-%dd", 951782400), u"2000-02-29");
}
