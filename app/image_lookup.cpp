#include "app/image_lookup.h"

#include <string>

#include "files/name_in_any_case.h"
#include "text/blank_fields.h"
#include "text/code_page.h"
#include "text/utf8.h"

const Text kImageSuffixes[3] = {u".bin", u".img", u".iso"};

namespace {

// No file system holds a longer name; a FILE line naming one is no image.
constexpr size_t kLongestName = 1024;

// The name itself, else with the first suffix that finds a file.
Text FindWithSuffixes(const Text& sheetFolder, TextView imageName) {
  Text found;
  if (!imageName.empty()) found = FindNameInAnyCase(sheetFolder, imageName);
  for (const Text& suffix : kImageSuffixes) {
    if (!found.empty()) break;
    found = FindNameInAnyCase(sheetFolder, Text(imageName) + suffix);
  }
  return found;
}

}  // namespace

bool IsImagePath(TextView path) {
  const TextView ending = path.size() >= 4 ? path.substr(path.size() - 4) : path;
  for (const Text& suffix : kImageSuffixes) {
    if (EqualIgnoringAsciiCase(ending, suffix)) return true;
  }
  return false;
}

TextView BareImageName(TextView writtenName) {
  // Plain loops: the library's searches of a char16_t text are slow.
  size_t start = writtenName.size();
  while (start > 0 && writtenName[start - 1] != u'\\' && writtenName[start - 1] != u'/') --start;
  size_t end = start;
  while (end < writtenName.size() && writtenName[end] != u'"') ++end;
  return end - start <= kLongestName ? writtenName.substr(start, end - start) : TextView();
}

// A name is read in a code page as a whole, folders and all, since the
// second byte of a double-byte character may be the "\" that separates
// folders; its bare name is taken after.
Text FindImage(const Text& sheetFolder, TextView writtenName) {
  Text found = FindWithSuffixes(sheetFolder, BareImageName(writtenName));
  if (!found.empty() || !HoldsByteStandIns(writtenName)) return found;
  const std::string bytes = EncodeUtf8(Text(writtenName));
  for (const int32_t codePage : kLegacyCodePages) {
    const Text read = DecodeCodePage(bytes, codePage);
    if (!read.empty()) found = FindWithSuffixes(sheetFolder, BareImageName(read));
    if (!found.empty()) break;
  }
  return found;
}

void ForgetImageSearch() { ForgetListedNames(); }
