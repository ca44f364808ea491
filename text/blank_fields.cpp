#include "text/blank_fields.h"

#include "text/string_helpers.h"

namespace {

const char16_t kBlanks[] = u" \t";

}  // namespace

Text TrimBlanks(const Text& text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == Text::npos) return Text();
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::vector<Text> BlankSeparatedFields(const Text& text) {
  std::vector<Text> fields;
  fields.reserve(8);  // a cue line has a few fields; one allocation for them
  size_t start = text.find_first_not_of(kBlanks);
  while (start != Text::npos) {
    const size_t end = text.find_first_of(kBlanks, start);
    fields.push_back(text.substr(start, end == Text::npos ? Text::npos : end - start));
    start = end == Text::npos ? end : text.find_first_not_of(kBlanks, end);
  }
  return fields;
}

bool EqualIgnoringAsciiCase(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}
