#pragma once

#include <vector>

#include "text/text.h"

// Cue sheets from real tools indent with tabs as often as with spaces and
// line fields up in columns, so both count as blanks here.

// The text without leading and trailing spaces and tabs.
Text TrimBlanks(const Text& text);

// The fields of text separated by runs of spaces and tabs; blanks at the
// ends make no empty field, so a blank text has none.
std::vector<Text> BlankSeparatedFields(const Text& text);

// Whether a and b differ at most in the letter case of A-Z.
bool EqualIgnoringAsciiCase(const Text& a, const Text& b);
