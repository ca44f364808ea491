// The string helpers and the minute-and-second arithmetic on arbitrary
// texts (every 16-bit code unit, lone surrogates included): each keeps the
// promise that ties its pieces back to the whole.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/rewrite_cue_sheet.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"
#include "text/timestamp.h"

namespace {

constexpr timestamp kLastTimestamp = 2147483647;

bool HasAny(const Text& text, const char16_t* characters) {
  return text.find_first_of(characters) != Text::npos;
}

bool HasFolderSeparator(const Text& text) {
  for (char16_t c : text) {
    if (IsFolderSeparator(c)) return true;
  }
  return false;
}

// Whether every "%" of the mask starts a field name; a lone "%" reads as
// any one character but writes itself, so only such masks round-trip.
bool EveryPercentStartsAField(const Text& mask) {
  static const char16_t* const kNames[] = {u"yyyy", u"yy", u"mm", u"dd", u"hh", u"ii", u"ss"};
  for (size_t at = mask.find(u'%'); at != Text::npos; at = mask.find(u'%', at + 1)) {
    const Text rest = ToLower(mask.substr(at + 1, 4));
    bool named = false;
    for (const char16_t* name : kNames) named = named || rest.rfind(name, 0) == 0;
    if (!named) return false;
  }
  return true;
}

int32_t SecondsOf(const Text& time) {
  return ((time[0] - u'0') * 10 + (time[1] - u'0')) * 60 + (time[3] - u'0') * 10 + (time[4] - u'0');
}

void CheckFields(const Text& text, const Text& delimiter) {
  FUZZ_CHECK(FieldAt(text, 0, delimiter).empty());
  if (delimiter.empty()) {
    FUZZ_CHECK(FieldAt(text, 1, delimiter) == text);
    return;
  }
  // The fields joined by the delimiter give the text back.
  Text joined = FieldAt(text, 1, delimiter);
  int32_t index = 2;
  while (joined.size() < text.size()) {
    joined += delimiter + FieldAt(text, index++, delimiter);
    FUZZ_CHECK(index <= static_cast<int32_t>(text.size()) + 2);
  }
  FUZZ_CHECK(joined == text);
  FUZZ_CHECK(FieldAt(text, index, delimiter).empty());
}

void CheckPaths(const Text& path) {
  const Text name = FileNameOf(path);
  const Text bare = FileNameOf(path, NoExtension);
  FUZZ_CHECK(name.rfind(bare, 0) == 0);
  FUZZ_CHECK(!HasFolderSeparator(name) && !HasAny(name, u"\""));
  if (HasAny(path, u"\"|")) return;
  FUZZ_CHECK(FolderOf(path) + name == path);
  const Text extension = ExtensionOf(path);
  if (!extension.empty()) {
    FUZZ_CHECK(path.size() > extension.size() &&
               path.compare(path.size() - extension.size() - 1, Text::npos, u"." + extension) == 0);
    FUZZ_CHECK(!HasFolderSeparator(extension) && !HasAny(extension, u" "));
  }
}

void CheckTimes(const Text& mask, const Text& text, timestamp value) {
  const timestamp parsed = ParseTimestamp(mask, text);
  FUZZ_CHECK(parsed == -1 || (parsed >= 0 && parsed <= kLastTimestamp));
  const Text formatted = FormatTimestamp(mask, value);  // any value, no crash
  if (parsed != -1 && EveryPercentStartsAField(mask)) {
    FUZZ_CHECK(ParseTimestamp(mask, FormatTimestamp(mask, parsed)) == parsed);
  }
  const Text full = u"%yyyy-%mm-%dd %hh:%ii:%ss";
  const timestamp inRange = static_cast<timestamp>(static_cast<uint64_t>(value) % (kLastTimestamp + 1));
  FUZZ_CHECK(ParseTimestamp(full, FormatTimestamp(full, inRange)) == inRange);

  Text index00, index01;
  if (ShiftedIndexTimes(text, &index00, &index01)) {
    FUZZ_CHECK(index01 == text);
    FUZZ_CHECK(index00.size() == 8 && index00.compare(5, 3, text, 5, 3) == 0);
    const int32_t seconds = SecondsOf(text);
    FUZZ_CHECK(SecondsOf(index00) == (seconds >= 2 ? seconds - 2 : 0));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  timestamp value;
  std::memcpy(&value, data, sizeof value);
  const size_t split = data[8];
  Text units((size - 9) / 2, u'\0');
  std::memcpy(&units[0], data + 9, units.size() * 2);
  const size_t cut = split < units.size() ? split % 16 : 0;
  const Text head = units.substr(0, cut);  // a delimiter or a mask
  const Text text = units.substr(cut);

  const Text trimmed = TrimSpaces(text);
  FUZZ_CHECK(trimmed.empty() || (trimmed.front() != u' ' && trimmed.back() != u' '));
  FUZZ_CHECK(TrimSpaces(trimmed) == trimmed && text.find(trimmed) != Text::npos);
  FUZZ_CHECK(!trimmed.empty() || text.find_first_not_of(u' ') == Text::npos);

  const int32_t count = static_cast<int32_t>(static_cast<uint64_t>(value) % (text.size() + 1));
  FUZZ_CHECK(LeftOf(text, count) + RightOf(text, static_cast<int32_t>(text.size()) - count) == text);
  FUZZ_CHECK(LeftOf(text, -count - 1).empty() && RightOf(text, -1).empty());

  const Text lower = ToLower(text);
  FUZZ_CHECK(lower.size() == text.size() && ToLower(lower) == lower);

  CheckFields(text, head);
  CheckPaths(text);
  CheckTimes(head, text, value);
  return 0;
}
