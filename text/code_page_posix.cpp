#include <iconv.h>

#include "text/code_page.h"

namespace {

// glibc's names for the Windows pages (CP936 is its GBK, CP950 its Big5).
// Unlike Windows, it refuses the holes of the single-byte pages, 0x80 in
// 932 and the user-defined rows of 936 and 950, so a name using them is
// read on Windows only.
const char* IconvName(int32_t codePage) {
  switch (codePage) {
    case 1252: return "CP1252";
    case 1251: return "CP1251";
    case 1250: return "CP1250";
    case 932: return "CP932";
    case 936: return "CP936";
    case 950: return "CP950";
    default: return nullptr;
  }
}

}  // namespace

// Without //IGNORE or //TRANSLIT iconv stops at the first byte it cannot
// map (EILSEQ) or at a character cut short by the end (EINVAL); either
// makes the whole name unusable, so any stop short of the end gives "".
Text DecodeCodePage(const std::string& bytes, int32_t codePage) {
  const char* name = IconvName(codePage);
  if (bytes.empty() || name == nullptr) return Text();
  const iconv_t converter = iconv_open("UTF-16LE", name);
  if (converter == reinterpret_cast<iconv_t>(-1)) return Text();
  std::string input = bytes;
  // No byte of these pages gives more than one UTF-16 code unit.
  std::string output(input.size() * 2, '\0');
  char* in = &input[0];
  char* out = &output[0];
  size_t inLeft = input.size();
  size_t outLeft = output.size();
  const bool converted = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
                         inLeft == 0 &&
                         iconv(converter, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
  iconv_close(converter);
  if (!converted) return Text();
  Text text;
  const size_t length = output.size() - outLeft;
  for (size_t i = 0; i + 1 < length; i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(output[i]) |
                                  static_cast<unsigned char>(output[i + 1]) << 8);
  }
  return text;
}
