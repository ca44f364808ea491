#pragma once

#include "text/text.h"

// Cue sheets from real tools indent with tabs as often as with spaces and
// line fields up in columns, so both count as blanks here. The results
// are parts of the text given, never copies: a line is looked at where it
// stands, however long it is.

// The text without leading and trailing spaces and tabs.
TextView TrimBlanks(TextView text);

// The field at index (0 for the first) of text separated by runs of
// spaces and tabs, or "" past the last.
TextView BlankSeparatedField(TextView text, size_t index);

// The first field of *rest; *rest becomes what follows it and the blanks
// after it. "" when no field is left. For going through a line's fields
// one by one, each looked at once.
TextView TakeBlankSeparatedField(TextView* rest);

// Whether a and b differ at most in the letter case of A-Z.
inline bool EqualIgnoringAsciiCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = a[i], y = b[i];
    if (x != y && (x | 0x20) != (y | 0x20)) return false;
    if (x != y && ((x | 0x20) < u'a' || (x | 0x20) > u'z')) return false;
  }
  return true;
}
