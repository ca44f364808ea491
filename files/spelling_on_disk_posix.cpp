#include <dirent.h>

#include <cstring>
#include <string>

#include "files/file_size.h"
#include "files/posix_path.h"
#include "files/spelling_on_disk.h"

namespace {

bool EqualIgnoringAsciiCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

Text SpellingOnDisk(const Text& folder, const Text& name) {
  if (FileSize(folder + name) >= 1) return name;
  // "GAME.BIN" in a sheet means "game.bin" on the disk it was made on; a
  // case-sensitive file system needs the spelling that is really there.
  const std::string wanted = PosixPath(name);
  DIR* listing = opendir(folder.empty() ? "." : PosixPath(folder).c_str());
  if (listing == nullptr) return Text();
  std::string best;
  while (const dirent* entry = readdir(listing)) {
    if (!EqualIgnoringAsciiCase(wanted, entry->d_name)) continue;
    if (!best.empty() && best.compare(entry->d_name) <= 0) continue;
    const Text candidate = DecodeUtf8(entry->d_name, std::strlen(entry->d_name));
    if (FileSize(folder + candidate) >= 1) best = entry->d_name;
  }
  closedir(listing);
  return DecodeUtf8(best.data(), best.size());
}
