#include "tests/support/read_lines.h"

FileHandle OpenLines(const Text& path) {
  return OpenLineReader(OpenPlatformFileForPeeking(path), true);
}

Text ReadLine(FileHandle file) {
  Text line;
  ReadLineInto(file, &line);
  return line;
}
