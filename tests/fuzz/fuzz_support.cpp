#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/path_separator.h"

namespace fs = std::filesystem;

Text FuzzFolder() {
  static const Text folder = [] {
    const fs::path root = fs::temp_directory_path() /
                          ("brindlet-fuzz-" + std::to_string(getpid()));
    fs::create_directories(root);
    // Removed when the fuzzer exits normally; a crash leaves it for a look.
    static const fs::path removeAtExit = root;
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(removeAtExit, ignored);
    });
    return root.u16string() + kFolderSeparator;
  }();
  return folder;
}

void WriteFileBytes(const Text& path, const std::string& bytes) {
  std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const Text& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}
