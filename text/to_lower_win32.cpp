#include <windows.h>

#include "text/string_helpers.h"

Text ToLower(const Text& text) {
  Text lower = text;
  if (!lower.empty()) CharLowerW(reinterpret_cast<wchar_t*>(&lower[0]));
  return lower;
}
