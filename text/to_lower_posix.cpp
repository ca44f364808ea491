#include "text/string_helpers.h"

// POSIX has no locale-independent wide lower-casing worth trusting across
// systems; Brindlet only ever compares lower-cased extensions, so ASCII
// letters are all that need mapping.
Text ToLower(const Text& text) {
  Text lower = text;
  for (char16_t& c : lower) c = AsciiLower(c);
  return lower;
}
