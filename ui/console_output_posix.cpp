#include <cstdio>

#include "text/utf8.h"
#include "ui/console_output.h"

// Names are written as the bytes they are on disk: the stand-ins of bytes
// that are not UTF-8 turn back into those bytes.
void WriteConsoleText(TextView text, bool toError) {
  const std::string bytes = EncodeUtf8(Text(text));
  std::fwrite(bytes.data(), 1, bytes.size(), toError ? stderr : stdout);
}

void WriteConsoleLine(TextView text) {
  WriteConsoleText(text);
  std::fputc('\n', stdout);
}

void FlushConsole() {
  std::fflush(stdout);
  std::fflush(stderr);
}
