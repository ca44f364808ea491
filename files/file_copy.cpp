#include "files/file_copy.h"

int32_t CopyFileTo(const Text& source, const Text& destination) {
  if (source.empty() || destination.empty()) return 0;
  const PlatformFile from = OpenPlatformFileForCopying(source);
  if (from == kNoPlatformFile) return 0;
  const int32_t copied = CopyOpenFileTo(from, destination);
  ClosePlatformFile(from);
  return copied;
}
