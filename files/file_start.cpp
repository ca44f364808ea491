#include "files/file_start.h"

#include "files/platform_file.h"

std::string ReadFileStart(const Text& path, int32_t count) {
  const PlatformFile file = OpenPlatformFileForPeeking(path);
  if (file == kNoPlatformFile || count <= 0) {
    if (file != kNoPlatformFile) ClosePlatformFile(file);
    return std::string();
  }
  std::string bytes(static_cast<size_t>(count), '\0');
  bytes.resize(static_cast<size_t>(ReadPlatformFile(file, &bytes[0], count)));
  ClosePlatformFile(file);
  return bytes;
}
