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
  const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  std::vector<Text> fields;
  fields.reserve(8);  // a cue line has a few fields; one allocation for them
  size_t at = 0;
  while (true) {
    while (at < text.size() && isBlank(text[at])) ++at;
    if (at == text.size()) return fields;
    const size_t start = at;
    while (at < text.size() && !isBlank(text[at])) ++at;
    fields.emplace_back(text, start, at - start);
  }
}

bool EqualIgnoringAsciiCase(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}
