#include "text/utf8.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// A byte 0x80 to 0xFF that is no part of a character, kept as the lone
// surrogate U+DC00 + byte (U+DC80 to U+DCFF); no well-formed text holds one.
constexpr char16_t kByteStandIn = 0xDC00;

void AppendCodePoint(Text& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// The range the second byte of a sequence may take after a lead byte; the
// narrowed ranges exclude overlong forms, surrogates and values past U+10FFFF.
void SecondByteRange(unsigned char lead, unsigned char* low, unsigned char* high) {
  *low = 0x80;
  *high = 0xBF;
  if (lead == 0xE0) *low = 0xA0;
  if (lead == 0xED) *high = 0x9F;
  if (lead == 0xF0) *low = 0x90;
  if (lead == 0xF4) *high = 0x8F;
}

int TrailCount(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

// Decodes; a byte run that forms no character becomes one U+FFFD, or with
// keepBytes one stand-in surrogate per byte.
Text Decode(const char* bytes, size_t count, bool keepBytes) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  Text out;
  out.reserve(count);
  size_t i = 0;
  while (i < count) {
    // Cue sheets and paths are mostly ASCII: such runs go across whole.
    size_t ascii = i;
    while (ascii < count && in[ascii] < 0x80) ++ascii;
    out.append(in + i, in + ascii);
    if ((i = ascii) == count) break;
    const size_t start = i;
    const unsigned char lead = in[i++];
    const int trail = TrailCount(lead);
    int taken = 0;
    char32_t c = 0;
    if (trail > 0) {
      unsigned char low, high;
      SecondByteRange(lead, &low, &high);
      c = lead & (0x3F >> trail);
      while (taken < trail && i < count && in[i] >= low && in[i] <= high) {
        c = (c << 6) | (in[i++] & 0x3F);
        ++taken;
        low = 0x80;
        high = 0xBF;
      }
    }
    if (trail > 0 && taken == trail) {
      AppendCodePoint(out, c);
    } else if (keepBytes) {
      for (size_t b = start; b < i; ++b) out += static_cast<char16_t>(kByteStandIn + in[b]);
    } else {
      out += kReplacement;  // the byte that broke the sequence is read afresh
    }
  }
  return out;
}

}  // namespace

Text DecodeUtf8(const char* bytes, size_t count) { return Decode(bytes, count, false); }

Text DecodeUtf8KeepingBytes(const char* bytes, size_t count) {
  return Decode(bytes, count, true);
}

bool IsWellFormedCharacter(const unsigned char* bytes, size_t count) {
  if (count == 1) return bytes[0] < 0x80;
  if (count == 0 || TrailCount(bytes[0]) != static_cast<int>(count) - 1) return false;
  unsigned char low, high;
  SecondByteRange(bytes[0], &low, &high);
  for (size_t i = 1; i < count; ++i) {
    if (bytes[i] < low || bytes[i] > high) return false;
    low = 0x80;
    high = 0xBF;
  }
  return true;
}

std::string EncodeUtf8(const Text& text) {
  // No code unit takes more than three bytes, nor a pair more than four.
  std::string out(text.size() * 3, '\0');
  char* at = &out[0];
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      *at++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= kByteStandIn + 0x80 && c <= kByteStandIn + 0xFF) {
      *at++ = static_cast<char>(c - kByteStandIn);
      continue;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    if (c < 0x800) {
      *at++ = static_cast<char>(0xC0 | (c >> 6));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *at++ = static_cast<char>(0xE0 | (c >> 12));
      *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *at++ = static_cast<char>(0xF0 | (c >> 18));
      *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(at - out.data()));
  return out;
}
