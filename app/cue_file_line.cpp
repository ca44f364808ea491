#include "app/cue_file_line.h"

#include "app/image_lookup.h"
#include "text/blank_fields.h"

namespace {

// The last blank-separated field of text, or "".
TextView LastField(TextView text) {
  text = TrimBlanks(text);
  const size_t lastBlank = text.find_last_of(u" \t");
  return lastBlank == TextView::npos ? text : text.substr(lastBlank + 1);
}

}  // namespace

FileLineParts ReadFileLine(TextView line) {
  const TextView trimmed = TrimBlanks(line);
  FileLineParts parts;
  const size_t openingQuote = trimmed.find(u'"');
  if (openingQuote != TextView::npos) {
    const size_t closingQuote = trimmed.find(u'"', openingQuote + 1);
    if (closingQuote == TextView::npos) {
      parts.name = trimmed.substr(openingQuote + 1);
      return parts;
    }
    parts.name = trimmed.substr(openingQuote + 1, closingQuote - openingQuote - 1);
    parts.type = LastField(trimmed.substr(closingQuote + 1));
    return parts;
  }

  const size_t keywordEnd = trimmed.find_first_of(u" \t");
  if (keywordEnd == TextView::npos) return parts;
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

TextView FileTypeToWrite(TextView writtenType, TextView imageName) {
  static constexpr TextView kAudioTypes[] = {u"WAVE", u"MP3", u"AIFF", u"FLAC"};
  // MOTOROLA is raw audio with its bytes swapped; read as BINARY it plays
  // as noise, whatever the file is called.
  if (EqualIgnoringAsciiCase(writtenType, u"MOTOROLA")) return u"MOTOROLA";
  // A raw image holds sectors, not a sound file to decode, whatever type
  // the sheet claimed.
  if (IsImagePath(imageName)) return u"BINARY";
  // Players decode these files by their type; BINARY would play their
  // headers and compressed data as sound.
  for (const TextView audioType : kAudioTypes) {
    if (EqualIgnoringAsciiCase(writtenType, audioType)) return audioType;
  }
  return u"BINARY";
}
