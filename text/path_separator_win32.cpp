#include "text/path_separator.h"

const char16_t kFolderSeparator = u'\\';

// Windows takes "/" for "\" in every path.
bool IsFolderSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

size_t FolderSearchEnd(const Text& path) {
  const size_t bar = path.find(u'|');
  return bar == Text::npos ? path.size() : bar;
}
