#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/read_lines.h"
#include "text/text.h"

// A broken promise: report it and abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

// One folder per fuzzing process, under the system's temporary folder, as
// Brindlet names it (ending in the separator).
Text FuzzFolder();

void WriteFileBytes(const Text& path, const std::string& bytes);
std::string ReadFileBytes(const Text& path);  // "" when it cannot be read
