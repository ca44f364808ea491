#pragma once

#include <string>

#include "text/text.h"

// On Windows wchar_t is a UTF-16 code unit, so a Text is already a wide
// string: for texts handed over as they stand (a dialog's title, filter
// or starting folder).
inline const wchar_t* WideText(const Text& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The path as every file call takes it. A path of MAX_PATH characters or
// more fails in a process that has not opted into long paths, so it is
// made full ("." and ".." resolved, "/" read as "\") and given the "\\?\"
// prefix, or "\\?\UNC\" for one on a share; a device keeps the platform's
// own form ("\\.\COM1"). Shorter paths are passed exactly as they are.
std::wstring WidePath(const Text& path);
