#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

// UTF-8 conversions that never stop at bad input.

// For text read from files: each maximal ill-formed subpart becomes one
// U+FFFD, the way the Unicode standard recommends and Windows' CP_UTF8
// conversion does.
Text DecodeUtf8(const char* bytes, size_t count);

// For names and paths a POSIX system hands over, which are bytes and need
// not be UTF-8 (a Latin-1 "Caf\xE9.cue"): each byte that is not part of a
// well-formed character becomes one lone surrogate, U+DC80 to U+DCFF,
// which EncodeUtf8 turns back into that byte. Any byte string survives
// the trip through Text unchanged, so the name still names its file.
Text DecodeUtf8KeepingBytes(const char* bytes, size_t count);

// Whether bytes hold exactly one well-formed UTF-8 character: no overlong
// form, no surrogate, nothing past U+10FFFF.
bool IsWellFormedCharacter(const unsigned char* bytes, size_t count);

// A lone surrogate U+DC80 to U+DCFF becomes the byte it stands for; any
// other unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(const Text& text);
