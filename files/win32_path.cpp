#include "files/win32_path.h"

#include <windows.h>

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

// The platform's full form of path, or "" when it has none.
std::wstring FullPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  // A second round gets the room the first one asked for.
  for (int round = 0; round < 2; ++round) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0) break;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
  return std::wstring();
}

}  // namespace

std::wstring WidePath(const Text& path) {
  const std::wstring wide(path.begin(), path.end());
  if (wide.size() < MAX_PATH || StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\")) {
    return wide;
  }
  // The prefix turns off the platform's own reading of the path, which is
  // why the full form has to be made first.
  const std::wstring full = FullPath(wide);
  if (full.empty()) return wide;  // left to fail as it stands
  if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\")) return full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}
