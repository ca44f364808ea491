#include "files/line_codec.h"

#include "text/utf8.h"

Text DecodeLineBytes(const char* bytes, size_t count) { return DecodeUtf8(bytes, count); }

std::string EncodeLineText(const Text& text) { return EncodeUtf8(text); }
