#include <fcntl.h>
#include <unistd.h>

#include "files/held_folder.h"
#include "files/posix_path.h"

namespace {

struct HeldFolder {
  Text folder;  // as given, separator included
  int descriptor = -1;
};

HeldFolder gHeldFolder;

}  // namespace

void HoldFolderOpen(const Text& folder) {
  if (gHeldFolder.descriptor >= 0) close(gHeldFolder.descriptor);
  gHeldFolder = HeldFolder();
  if (folder.empty() || folder.back() != u'/') return;
  const int descriptor = open(PosixPath(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;  // every path is walked whole, as without it
  gHeldFolder.folder = folder;
  gHeldFolder.descriptor = descriptor;
}

// Only a path that starts with the held folder exactly as it was given is
// looked up from there; that finds the file a walk of the whole path finds,
// as long as the folder stays where it was.
PosixName PosixNameOf(const Text& path) {
  const size_t length = gHeldFolder.folder.size();
  if (gHeldFolder.descriptor >= 0 && path.size() > length &&
      path.compare(0, length, gHeldFolder.folder) == 0) {
    return {gHeldFolder.descriptor, PosixPath(path.substr(length))};
  }
  return {AT_FDCWD, PosixPath(path)};
}
