#pragma once

#include <cstddef>
#include <string>

#include "text/text.h"

// The UTF-8 conversions of the text-file service: Windows' own CP_UTF8
// conversion there, the portable replacing codec elsewhere. Both give the
// same text for the same bytes.
Text DecodeLineBytes(const char* bytes, size_t count);
std::string EncodeLineText(const Text& text);
