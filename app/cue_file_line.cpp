#include "app/cue_file_line.h"

#include <vector>

#include "text/blank_fields.h"
#include "text/string_helpers.h"

const Text kImageSuffixes[3] = {u".bin", u".img", u".iso"};

FileLineParts ReadFileLine(const Text& line) {
  const Text trimmed = TrimBlanks(line);
  FileLineParts parts;
  const size_t openingQuote = trimmed.find(u'"');
  if (openingQuote != Text::npos) {
    parts.name = FieldAt(trimmed, 2, u"\"");
    const size_t closingQuote = trimmed.find(u'"', openingQuote + 1);
    if (closingQuote == Text::npos) return parts;
    const std::vector<Text> rest = BlankSeparatedFields(trimmed.substr(closingQuote + 1));
    if (!rest.empty()) parts.type = rest.back();
    return parts;
  }

  const size_t keywordEnd = trimmed.find_first_of(u" \t");
  if (keywordEnd == Text::npos) return parts;
  const size_t typeStart = trimmed.find_last_of(u" \t") + 1;
  // Blanks inside an unquoted name are kept as written: they are part of
  // a file name more often than a typing slip.
  parts.name = TrimBlanks(trimmed.substr(keywordEnd, typeStart - keywordEnd));
  if (parts.name.empty()) {
    parts.name = trimmed.substr(typeStart);
  } else {
    parts.type = trimmed.substr(typeStart);
  }
  return parts;
}

Text BareImageName(const Text& writtenName) {
  const size_t lastSeparator = writtenName.find_last_of(u"\\/");
  const size_t start = lastSeparator == Text::npos ? 0 : lastSeparator + 1;
  const size_t end = writtenName.find(u'"', start);
  return writtenName.substr(start, end == Text::npos ? Text::npos : end - start);
}

Text FileTypeToWrite(const Text& writtenType, const Text& imageName) {
  // MOTOROLA is raw audio with its bytes swapped; read as BINARY it plays
  // as noise, whatever the file is called.
  if (EqualIgnoringAsciiCase(writtenType, u"MOTOROLA")) return u"MOTOROLA";
  // A raw image holds sectors, not a sound file to decode, whatever type
  // the sheet claimed.
  for (const Text& suffix : kImageSuffixes) {
    if (EqualIgnoringAsciiCase(RightOf(imageName, 4), suffix)) return u"BINARY";
  }
  // Players decode these files by their type; BINARY would play their
  // headers and compressed data as sound.
  for (const Text& audioType : {Text(u"WAVE"), Text(u"MP3"), Text(u"AIFF"), Text(u"FLAC")}) {
    if (EqualIgnoringAsciiCase(writtenType, audioType)) return audioType;
  }
  return u"BINARY";
}
