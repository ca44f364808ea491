#include <windows.h>

#include "text/code_page.h"

// MB_ERR_INVALID_CHARS makes the conversion fail where it would otherwise
// put a default character for a byte the page does not define.
Text DecodeCodePage(const std::string& bytes, int32_t codePage) {
  if (bytes.empty()) return Text();
  const int count = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS,
                                         bytes.data(), count, nullptr, 0);
  if (length <= 0) return Text();
  Text text(static_cast<size_t>(length), u'\0');
  if (MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, bytes.data(), count,
                          reinterpret_cast<wchar_t*>(&text[0]), length) != length) {
    return Text();
  }
  return text;
}
