// The line reader over arbitrary bytes: it always finishes, never returns
// a line end inside a line, splits exactly where LF, CR, CR LF and NUL say,
// across every refill of its buffer, and keeps every other byte: each line
// is its bytes as DecodeUtf8KeepingBytes reads them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/text_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "text/utf8.h"

namespace {

// The lines the bytes hold, worked out on the whole input at once.
std::vector<Text> LinesOf(const std::string& bytes) {
  std::vector<Text> lines;
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      lines.push_back(DecodeUtf8KeepingBytes(line.data(), line.size()));
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(DecodeUtf8KeepingBytes(line.data(), line.size()));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Text path = FuzzFolder() + u"lines.cue";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WriteFileBytes(path, bytes);

  InitTextFiles();
  // A read-ahead of a few bytes: every input crosses its end many times.
  gTextBufferSize = 7;
  const FileHandle file = OpenLines(path);
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

  FUZZ_CHECK(lines == LinesOf(bytes));
  return 0;
}
