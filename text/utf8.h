#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

// UTF-8 conversions that never stop at bad input.

// For lines of sheets and for names a POSIX system hands over, which are
// bytes and need not be UTF-8 (a Latin-1 "Caf\xE9.cue", a title in
// Windows-1251): each byte that is not part of a well-formed character
// becomes one lone surrogate, U+DC80 to U+DCFF, which EncodeUtf8 turns
// back into that byte. Any byte string survives the trip through Text
// unchanged, so a name still names its file and a line is written back
// as it was read.
Text DecodeUtf8KeepingBytes(const char* bytes, size_t count);

// DecodeUtf8KeepingBytes onto the end of *text, for a text read in pieces.
void AppendUtf8KeepingBytes(Text* text, const char* bytes, size_t count);

// Whether text holds a stand-in of a byte: its bytes were not all UTF-8.
bool HoldsByteStandIns(TextView text);

// How many of the last bytes (0 to 3) begin a well-formed character that
// the bytes end before it is complete: a piece of text that ends there
// is decoded up to them, and they start the next piece.
size_t Utf8IncompleteTail(const char* bytes, size_t count);

// A lone surrogate U+DC80 to U+DCFF becomes the byte it stands for; any
// other unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(TextView text);

// The same into *out, in place of what it held, so that a caller that
// keeps out has its room serve again.
void EncodeUtf8To(TextView text, std::string* out);

// The same into out, which has room for three bytes a code unit; returns
// the end of what was written. A piece of a longer text must not end
// between the two halves of a surrogate pair.
char* EncodeUtf8Into(const char16_t* units, size_t count, char* out);
