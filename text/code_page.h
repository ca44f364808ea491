#pragma once

#include <cstdint>
#include <string>

#include "text/text.h"

// Windows' ANSI code pages, for names written before sheets were UTF-8:
// Western, Cyrillic and Central European, then Japanese, Simplified and
// Traditional Chinese. A name tried in each finds its file in this order.
inline constexpr int32_t kLegacyCodePages[6] = {1252, 1251, 1250, 932, 936, 950};

// The text the bytes stand for in Windows code page codePage (one of
// kLegacyCodePages), or "" when the code page refuses them (a byte or
// sequence it does not define, a double-byte character cut short) or
// bytes is empty. The system's own tables do the work, so the two
// platforms can disagree on a few rarely used bytes.
Text DecodeCodePage(const std::string& bytes, int32_t codePage);
