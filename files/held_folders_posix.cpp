#include "files/held_folders_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "files/held_folders.h"
#include "text/utf8.h"

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

// Compared from the folder's end, where the paths of one library differ,
// so that a folder the path does not lie in is passed within a character
// or two; every file call of a sweep asks this.
bool LiesIn(const Text& path, const Text& folder) {
  if (folder.size() > path.size()) return false;
  for (size_t i = folder.size(); i-- > 0;) {
    if (path[i] != folder[i]) return false;
  }
  return true;
}

const HeldFolder* InnermostHolderOf(const Text& path) {
  const HeldFolder* innermost = nullptr;
  // Newest first: the innermost hold is most often the last one taken.
  for (auto it = gHeldFolders.rbegin(); it != gHeldFolders.rend(); ++it) {
    const HeldFolder& held = *it;
    if (innermost != nullptr && held.folder.size() <= innermost->folder.size()) continue;
    if (!LiesIn(path, held.folder)) continue;
    // The current folder holds relative paths only.
    if (held.folder.empty() && !path.empty() && path[0] == u'/') continue;
    innermost = &held;
  }
  return innermost;
}

}  // namespace

int PosixNameInto(const Text& path, std::string* name) {
  const HeldFolder* holder = InnermostHolderOf(path);
  const int folder = holder == nullptr ? AT_FDCWD : holder->descriptor;
  // Encoded from where the held folder ends, with no copy of the rest.
  const size_t start = holder == nullptr ? 0 : holder->folder.size();
  if (start == path.size()) {
    name->assign(".");
    return folder;
  }
  EncodeUtf8To(TextView(path).substr(start), name);
  return folder;
}

PosixName PosixNameOf(const Text& path) {
  PosixName name;
  name.folder = PosixNameInto(path, &name.name);
  return name;
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
