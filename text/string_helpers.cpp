#include "text/string_helpers.h"

#include "text/path_separator.h"

namespace {

// A path may arrive wrapped in double quotes, as a cue sheet writes it.
size_t QuotedStart(const Text& path) { return !path.empty() && path[0] == u'"' ? 1 : 0; }

// The position after the path's last folder separator, or npos.
size_t AfterLastSeparator(const Text& path) {
  for (size_t i = path.size(); i-- > 0;) {
    if (IsFolderSeparator(path[i])) return i + 1;
  }
  return Text::npos;
}

}  // namespace

int32_t StringsEqual(const Text& a, const Text& b) { return a == b ? 1 : 0; }

Text FileNameOf(const Text& path, int32_t flags) {
  const size_t afterSeparator = AfterLastSeparator(path);
  const size_t start = afterSeparator != Text::npos ? afterSeparator : QuotedStart(path);
  size_t end = path.find(u'"', start);
  if (end == Text::npos) end = path.size();
  const Text name = path.substr(start, end - start);
  if (flags != NoExtension) return name;

  // Look back for the extension's dot; a space first means there is none,
  // and the first character never counts, so ".cue" stays whole.
  for (size_t i = name.size(); i-- > 1;) {
    if (name[i] == u' ') return name;
    if (name[i] == u'.') return i + 1 == name.size() ? name : name.substr(0, i);
  }
  return name;
}

Text FolderOf(const Text& path) {
  const size_t start = QuotedStart(path);
  size_t folderEnd = 0;
  const size_t searchEnd = FolderSearchEnd(path);
  for (size_t i = 0; i < searchEnd; ++i) {
    if (IsFolderSeparator(path[i])) folderEnd = i + 1;
  }
  if (folderEnd <= start) return Text();
  return path.substr(start, folderEnd - start);
}

Text ExtensionOf(const Text& path) {
  size_t dot = 0;
  for (size_t i = path.size(); i-- > 1;) {
    const char16_t c = path[i];
    if (c == u' ' || IsFolderSeparator(c)) return Text();
    if (c == u'.') {
      dot = i;
      break;
    }
  }
  if (dot == 0 || IsFolderSeparator(path[dot - 1])) return Text();
  const size_t end = path.find(u'"', dot + 1);
  return path.substr(dot + 1, end == Text::npos ? Text::npos : end - dot - 1);
}
