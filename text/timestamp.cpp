#include "text/timestamp.h"

#include <string>

#include "text/string_helpers.h"

namespace {

enum class Field { None, Year4, Year2, Month, Day, Hour, Minute, Second };

struct CalendarFields {
  int64_t year = 1970;
  int64_t month = 1;
  int64_t day = 1;
  int64_t hour = 0;
  int64_t minute = 0;
  int64_t second = 0;
};

// The token whose name follows the "%" at mask[at], and the name's length.
// "yyyy" is tried before "yy" so a four-letter year is never read as two.
Field TokenAt(const Text& mask, size_t at, size_t* nameLength) {
  static const struct {
    const char16_t* name;
    Field field;
  } kTokens[] = {{u"yyyy", Field::Year4}, {u"yy", Field::Year2},  {u"mm", Field::Month},
                 {u"dd", Field::Day},     {u"hh", Field::Hour},   {u"ii", Field::Minute},
                 {u"ss", Field::Second}};
  for (const auto& token : kTokens) {
    const Text name = token.name;
    if (mask.size() - at < name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) same = AsciiLower(mask[at + i]) == name[i];
    if (same) {
      *nameLength = name.size();
      return token.field;
    }
  }
  return Field::None;
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int64_t DaysInMonth(int64_t year, int64_t month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's
// days_from_civil), so no C runtime and no time zone is involved.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The inverse of DaysFromCivil.
CalendarFields CivilFromSeconds(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t secondOfDay = seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  CalendarFields fields;
  fields.day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  fields.month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  fields.year = yearOfEra + era * 400 + (fields.month <= 2);
  fields.hour = secondOfDay / 3600;
  fields.minute = secondOfDay / 60 % 60;
  fields.second = secondOfDay % 60;
  return fields;
}

int64_t* FieldSlot(CalendarFields& fields, Field field) {
  switch (field) {
    case Field::Year4:
    case Field::Year2: return &fields.year;
    case Field::Month: return &fields.month;
    case Field::Day: return &fields.day;
    case Field::Hour: return &fields.hour;
    case Field::Minute: return &fields.minute;
    case Field::Second: return &fields.second;
    case Field::None: break;
  }
  return nullptr;
}

void AppendTwoDigits(Text& out, int64_t value) {
  if (value < 10) out += u'0';
  for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
}

}  // namespace

timestamp TimestampFromParts(int32_t year, int32_t month, int32_t day, int32_t hour,
                             int32_t minute, int32_t second) {
  if (year < 1970 || year > 2038 || month < 1 || month > 12 || day < 1) return -1;
  if (day > DaysInMonth(year, month)) return -1;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return -1;
  const int64_t value =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return value > INT32_MAX ? -1 : value;
}

timestamp ParseTimestamp(const Text& mask, const Text& text) {
  if (mask.empty() || text.empty()) return -1;
  CalendarFields fields;
  size_t at = 0;  // position in text
  for (size_t m = 0; m < mask.size();) {
    size_t nameLength = 0;
    const Field field = mask[m] == u'%' ? TokenAt(mask, m + 1, &nameLength) : Field::None;
    if (field != Field::None) {
      const size_t maxDigits = field == Field::Year4 ? 4 : 2;
      int64_t value = 0;
      size_t digits = 0;
      while (digits < maxDigits && at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
        value = value * 10 + (text[at] - u'0');
        ++digits;
        ++at;
      }
      if (digits == 0) return -1;
      if (field == Field::Year2) value += value < 70 ? 2000 : 1900;
      *FieldSlot(fields, field) = value;
      m += 1 + nameLength;
    } else if (mask[m] == u'%') {
      // A "%" that starts no token stands, with the character after it, for
      // any one character of the text.
      if (at >= text.size()) return -1;
      ++at;
      m += 2;
    } else {
      if (at >= text.size() || text[at] != mask[m]) return -1;
      ++at;
      ++m;
    }
  }
  if (at != text.size()) return -1;
  return TimestampFromParts(static_cast<int32_t>(fields.year), static_cast<int32_t>(fields.month),
                            static_cast<int32_t>(fields.day), static_cast<int32_t>(fields.hour),
                            static_cast<int32_t>(fields.minute),
                            static_cast<int32_t>(fields.second));
}

Text FormatTimestamp(const Text& mask, timestamp value) {
  const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(value));
  // -1 is "no date" and writes zeros; every other value, those just before
  // 1970 included, is read as UTC seconds.
  CalendarFields fields = CivilFromSeconds(low);
  if (low == -1) fields = CalendarFields{0, 0, 0, 0, 0, 0};

  Text out;
  for (size_t m = 0; m < mask.size();) {
    size_t nameLength = 0;
    const Field field = mask[m] == u'%' ? TokenAt(mask, m + 1, &nameLength) : Field::None;
    if (field == Field::None) {
      out += mask[m++];
      continue;
    }
    m += 1 + nameLength;
    if (field == Field::Year4) {
      // Every year a 32-bit value reaches has four digits; "no date" is 0.
      if (fields.year == 0) {
        out += u"0000";
      } else {
        for (char c : std::to_string(fields.year)) out += static_cast<char16_t>(c);
      }
    } else if (field == Field::Year2) {
      AppendTwoDigits(out, fields.year % 100);
    } else {
      AppendTwoDigits(out, *FieldSlot(fields, field));
    }
  }
  return out;
}
