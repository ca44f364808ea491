#pragma once

#include <cstdint>

#include "text/text.h"

// Flag for FileNameOf: drop the name's extension.
constexpr int32_t NoExtension = 1;

// Lower case under the platform's mapping; A-Z become a-z everywhere.
Text ToLower(const Text& text);

// A-Z as a-z, every other code unit as it is: for comparisons that must
// not depend on the platform or the user's locale.
inline char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// 1 when both texts hold the same code units, else 0. No folding of any kind.
int32_t StringsEqual(const Text& a, const Text& b);

// The path helpers below take apart this platform's own paths, at the
// separators text/path_separator.h names: "\" and "/" on Windows, "/"
// alone elsewhere. A name read from a FILE line has a rule of its own
// (BareImageName), since a sheet may come from either platform.

// The name after the last separator, up to a double quote; with
// NoExtension, without its extension.
Text FileNameOf(const Text& path, int32_t flags = 0);

// The folder part of a path with its trailing separator, or "".
Text FolderOf(const Text& path);

// The extension without its dot, or "" when the last name has none.
Text ExtensionOf(const Text& path);
