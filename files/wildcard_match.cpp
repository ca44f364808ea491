#include "files/wildcard_match.h"

#include "text/blank_fields.h"
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

// Whether the pattern is "*" and a plain tail, as "*.cue" is: the shape of
// nearly every pattern asked, matched by the name's end alone.
bool IsStarAndTail(const Text& pattern) {
  if (pattern.size() < 2 || pattern[0] != u'*') return false;
  for (size_t i = 1; i < pattern.size(); ++i) {
    if (pattern[i] == u'*' || pattern[i] == u'?') return false;
  }
  return true;
}

}  // namespace

bool MatchesWildcard(const Text& name, const Text& pattern) {
  const bool everyName = (pattern.size() == 1 && pattern[0] == u'*') ||
                         (pattern.size() == 3 && pattern[0] == u'*' && pattern[1] == u'.' &&
                          pattern[2] == u'*');
  if (everyName) return true;
  // A pattern that ends in a plain character takes only names that end in
  // it: most names a sweep meets are turned away by that one character.
  const char16_t patternEnd = pattern.empty() ? u'*' : pattern.back();
  if (patternEnd != u'*' && patternEnd != u'?' &&
      (name.empty() || AsciiLower(name.back()) != AsciiLower(patternEnd))) {
    return false;
  }
  if (IsStarAndTail(pattern)) {
    const TextView tail = TextView(pattern).substr(1);
    return name.size() >= tail.size() &&
           EqualIgnoringAsciiCase(TextView(name).substr(name.size() - tail.size()), tail);
  }
  if (Glob(name, pattern)) return true;
  const size_t size = pattern.size();
  if (size >= 2 && pattern[size - 2] == u'.' && pattern[size - 1] == u'*' &&
      name.find(u'.') == Text::npos) {
    return Glob(name, pattern.substr(0, size - 2));
  }
  return false;
}
