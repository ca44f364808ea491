#pragma once

#include <cstring>
#include <string>

#include "text/text.h"
#include "text/utf8.h"

// POSIX system calls take paths as bytes: UTF-8 by custom, not by rule.
// A name that is not UTF-8 keeps its bytes through Text as stand-in
// surrogates (DecodeUtf8KeepingBytes), so it reaches the system again as
// it came.
inline std::string PosixPath(const Text& path) { return EncodeUtf8(path); }

inline Text TextOfPosixPath(const char* path) {
  return DecodeUtf8KeepingBytes(path, std::strlen(path));
}
