#pragma once

#include "text/text.h"

// On Windows wchar_t is a UTF-16 code unit, so a Text is already a wide path.
inline const wchar_t* WidePath(const Text& path) {
  return reinterpret_cast<const wchar_t*>(path.c_str());
}
