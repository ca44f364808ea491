// The line reader over arbitrary bytes: it always finishes, never returns
// a line end inside a line, and splits plain ASCII exactly where LF, CR,
// CR LF and NUL say, across every refill of its buffer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/text_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The lines plain ASCII bytes hold, worked out on the whole input at once.
std::vector<Text> AsciiLines(const std::string& bytes) {
  std::vector<Text> lines;
  Text line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += static_cast<char16_t>(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Text path = FuzzFolder() + u"lines.cue";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WriteFileBytes(path, bytes);

  InitTextFiles();
  const FileHandle file = OpenTextForReading(path);
  FUZZ_CHECK(file != 0);
  std::vector<Text> lines;
  while (!AtEnd(file)) {
    // Every line consumes at least one byte, so this many lines at most.
    FUZZ_CHECK(lines.size() < size);
    lines.push_back(ReadLine(file));
    FUZZ_CHECK(lines.back().find_first_of(u"\r\n", 0, 2) == Text::npos);
    FUZZ_CHECK(lines.back().find(u'\0') == Text::npos);
  }
  FUZZ_CHECK(ReadLine(file).empty());
  CloseTextFile(file);

  bool ascii = true;
  for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) FUZZ_CHECK(lines == AsciiLines(bytes));
  return 0;
}
