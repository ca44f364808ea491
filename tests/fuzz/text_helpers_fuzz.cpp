// The path helpers, lower-casing and the shift of INDEX times on arbitrary
// texts (every 16-bit code unit, lone surrogates included): each keeps the
// promise that ties its pieces back to the whole.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/rewrite_cue_sheet.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"

namespace {

bool HasAny(const Text& text, const char16_t* characters) {
  return text.find_first_of(characters) != Text::npos;
}

bool HasFolderSeparator(const Text& text) {
  for (char16_t c : text) {
    if (IsFolderSeparator(c)) return true;
  }
  return false;
}

int32_t SecondsOf(const Text& time) {
  return ((time[0] - u'0') * 10 + (time[1] - u'0')) * 60 + (time[3] - u'0') * 10 + (time[4] - u'0');
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

void CheckIndexTimes(const Text& text) {
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
  // The first nine bytes steered helpers that are gone; the stored seeds
  // keep their layout.
  if (size < 10) return 0;
  Text text((size - 9) / 2, u'\0');
  std::memcpy(&text[0], data + 9, text.size() * 2);

  const Text lower = ToLower(text);
  FUZZ_CHECK(lower.size() == text.size() && ToLower(lower) == lower);
  CheckPaths(text);
  CheckIndexTimes(text);
  return 0;
}
