#include "text/utf8.h"

#include <cstdint>
#include <cstring>

namespace {

// What an unpaired surrogate that stands for no byte is written as.
constexpr char16_t kReplacement = 0xFFFD;

// A byte 0x80 to 0xFF that is no part of a character, kept as the lone
// surrogate U+DC00 + byte (U+DC80 to U+DCFF); no well-formed text holds one.
constexpr char16_t kByteStandIn = 0xDC00;

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

// Decodes onto out; a byte run that forms no character becomes one
// stand-in surrogate per byte.
void Decode(const char* bytes, size_t count, Text* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  // Never more units than bytes: the text is given room for all of them
  // and written in place, then cut to what was written.
  const size_t start = out->size();
  out->resize(start + count);
  char16_t* const first = &(*out)[0] + start;
  char16_t* to = first;
  size_t i = 0;
  while (i < count) {
    // Cue sheets and paths are mostly ASCII: such runs go across eight
    // bytes at a time, while none of the eight has its top bit.
    if (i + 8 <= count) {
      uint64_t eight;
      std::memcpy(&eight, in + i, 8);
      if ((eight & 0x8080808080808080ull) == 0) {
        for (int k = 0; k < 8; ++k) to[k] = in[i + k];
        to += 8;
        i += 8;
        continue;
      }
    }
    if (in[i] < 0x80) {
      *to++ = in[i++];
      continue;
    }
    const size_t firstByte = i;
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
      // A pair of units comes of four bytes: it never outruns the room.
      if (c < 0x10000) {
        *to++ = static_cast<char16_t>(c);
      } else {
        c -= 0x10000;
        *to++ = static_cast<char16_t>(0xD800 + (c >> 10));
        *to++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
      }
    } else {
      // At most four bytes of a broken sequence, or one.
      for (size_t b = firstByte; b < i; ++b) *to++ = static_cast<char16_t>(kByteStandIn + in[b]);
    }
  }
  // Text that is all ASCII, as most is, took all its room.
  const size_t written = static_cast<size_t>(to - first);
  if (written < count) out->resize(start + written);
}

}  // namespace

Text DecodeUtf8KeepingBytes(const char* bytes, size_t count) {
  Text text;
  Decode(bytes, count, &text);
  return text;
}

void AppendUtf8KeepingBytes(Text* text, const char* bytes, size_t count) {
  Decode(bytes, count, text);
}

bool HoldsByteStandIns(TextView text) {
  for (const char16_t c : text) {
    if (c >= kByteStandIn + 0x80 && c <= kByteStandIn + 0xFF) return true;
  }
  return false;
}

size_t Utf8IncompleteTail(const char* bytes, size_t count) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t back = 1; back <= 3 && back <= count; ++back) {
    const unsigned char byte = in[count - back];
    if (byte < 0x80) return 0;
    if (byte < 0xC0) continue;  // a continuation byte: its lead is further back
    const int trail = TrailCount(byte);
    if (trail < static_cast<int>(back)) return 0;
    // Whatever follows the lead must still fit a well-formed sequence.
    unsigned char low, high;
    SecondByteRange(byte, &low, &high);
    for (size_t i = 1; i < back; ++i) {
      if (in[count - back + i] < low || in[count - back + i] > high) return 0;
      low = 0x80;
      high = 0xBF;
    }
    return back;
  }
  return 0;
}

char* EncodeUtf8Into(const char16_t* units, size_t count, char* out) {
  char* at = out;
  for (size_t i = 0; i < count; ++i) {
    // ASCII goes across four units at a time while all four are ASCII.
    while (i + 4 <= count) {
      uint64_t four;
      std::memcpy(&four, units + i, 8);
      if (four & 0xFF80FF80FF80FF80ull) break;
      for (int k = 0; k < 4; ++k) at[k] = static_cast<char>(units[i + k]);
      at += 4;
      i += 4;
    }
    if (i == count) break;
    char32_t c = units[i];
    if (c < 0x80) {
      *at++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
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
  return at;
}

std::string EncodeUtf8(TextView text) {
  std::string out;
  EncodeUtf8To(text, &out);
  return out;
}

void EncodeUtf8To(TextView text, std::string* out) {
  // No code unit takes more than three bytes, nor a pair more than four.
  out->resize(text.size() * 3);
  const char* end = EncodeUtf8Into(text.data(), text.size(), &(*out)[0]);
  out->resize(static_cast<size_t>(end - out->data()));
}
