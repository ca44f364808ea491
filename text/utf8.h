#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

// Replacing UTF-8 conversions: neither direction stops at bad input.
// Decoding turns each maximal ill-formed subpart into one U+FFFD, the way
// the Unicode standard recommends and Windows' CP_UTF8 conversion does;
// encoding turns an unpaired surrogate into U+FFFD.
Text DecodeUtf8(const char* bytes, size_t count);

// Whether bytes hold exactly one well-formed UTF-8 character: no overlong
// form, no surrogate, nothing past U+10FFFF.
bool IsWellFormedCharacter(const unsigned char* bytes, size_t count);
std::string EncodeUtf8(const Text& text);
