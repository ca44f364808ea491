#include "files/held_folders_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "files/held_folders.h"
#include "text/posix_path.h"

namespace {

struct HeldFolder {
  FolderHold hold;
  Text folder;  // as given, separator included; "" is the current folder
  int descriptor;  // shared by every hold of the same folder text
};

// A run holds three folders at most (the chosen one, one below it, a
// sheet's), so a short vector beats any map.
std::vector<HeldFolder> gHeldFolders;
FolderHold gLastHold = 0;

const HeldFolder* InnermostHolderOf(const Text& path) {
  const HeldFolder* innermost = nullptr;
  for (const HeldFolder& held : gHeldFolders) {
    if (path.compare(0, held.folder.size(), held.folder) != 0) continue;
    // The current folder holds relative paths only.
    if (held.folder.empty() && !path.empty() && path[0] == u'/') continue;
    if (innermost == nullptr || held.folder.size() > innermost->folder.size()) innermost = &held;
  }
  return innermost;
}

}  // namespace

PosixName PosixNameOf(const Text& path) {
  const HeldFolder* holder = InnermostHolderOf(path);
  if (holder == nullptr) return {AT_FDCWD, path.empty() ? std::string(".") : PosixPath(path)};
  const Text rest = path.substr(holder->folder.size());
  return {holder->descriptor, rest.empty() ? std::string(".") : PosixPath(rest)};
}

DIR* OpenFolderEntries(const Text& folder) {
  const PosixName name = PosixNameOf(folder);
  const int fd = openat(name.folder, name.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  DIR* listing = fdopendir(fd);
  if (listing == nullptr) close(fd);
  return listing;
}

FolderHold HoldFolder(const Text& folder) {
  HeldFolder held = {++gLastHold, folder, -1};
  for (const HeldFolder& outer : gHeldFolders) {
    if (outer.folder == folder) held.descriptor = outer.descriptor;
  }
  if (held.descriptor < 0) {
    const PosixName name = PosixNameOf(folder);
    // Readable, so that it can be listed and flushed; a folder that may be
    // searched but not read is still held, for the names in it.
    held.descriptor = openat(name.folder, name.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (held.descriptor < 0 && errno == EACCES) {
      held.descriptor = openat(name.folder, name.name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (held.descriptor < 0) return 0;
  }
  gHeldFolders.push_back(held);
  return held.hold;
}

void LetGoOfFolder(FolderHold hold) {
  for (auto it = gHeldFolders.begin(); it != gHeldFolders.end(); ++it) {
    if (it->hold != hold) continue;
    const int descriptor = it->descriptor;
    gHeldFolders.erase(it);
    for (const HeldFolder& other : gHeldFolders) {
      if (other.descriptor == descriptor) return;
    }
    close(descriptor);
    return;
  }
}
