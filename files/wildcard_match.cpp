#include "files/wildcard_match.h"

#include "text/string_helpers.h"

namespace {

// Iterative glob with single-star backtracking: linear in practice and
// never recursive, whatever a cue sheet's folder holds.
bool Glob(const Text& name, const Text& pattern) {
  size_t n = 0, p = 0;
  size_t starAt = Text::npos, resumeName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starAt = p++;
      resumeName = n;
    } else if (starAt != Text::npos) {
      p = starAt + 1;
      n = ++resumeName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(const Text& name, const Text& pattern) {
  if (Glob(name, pattern)) return true;
  const size_t size = pattern.size();
  if (size >= 2 && pattern[size - 2] == u'.' && pattern[size - 1] == u'*' &&
      name.find(u'.') == Text::npos) {
    return Glob(name, pattern.substr(0, size - 2));
  }
  return false;
}
