#include "text/blank_fields.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Where the field at index starts, or text.size() past the last.
size_t FieldStart(TextView text, size_t index) {
  size_t at = 0;
  while (true) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at == text.size() || index == 0) return at;
    while (at < text.size() && !IsBlank(text[at])) ++at;
    --index;
  }
}

size_t FieldEnd(TextView text, size_t start) {
  while (start < text.size() && !IsBlank(text[start])) ++start;
  return start;
}

}  // namespace

TextView TrimBlanks(TextView text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

TextView BlankSeparatedField(TextView text, size_t index) {
  const size_t start = FieldStart(text, index);
  return text.substr(start, FieldEnd(text, start) - start);
}

TextView TakeBlankSeparatedField(TextView* rest) {
  const size_t start = FieldStart(*rest, 0);
  const size_t end = FieldEnd(*rest, start);
  size_t after = end;
  while (after < rest->size() && IsBlank((*rest)[after])) ++after;
  const TextView field = rest->substr(start, end - start);
  *rest = rest->substr(after);
  return field;
}
