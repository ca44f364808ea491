#include <windows.h>

#include "files/line_codec.h"

Text DecodeLineBytes(const char* bytes, size_t count) {
  if (count == 0) return Text();
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(count), nullptr, 0);
  if (length <= 0) return Text();
  Text text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(count),
                      reinterpret_cast<wchar_t*>(&text[0]), length);
  return text;
}

std::string EncodeLineText(const Text& text) {
  if (text.empty()) return std::string();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, size, &bytes[0], length, nullptr, nullptr);
  return bytes;
}
