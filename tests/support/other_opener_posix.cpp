#include "tests/support/other_opener.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

PlatformFile HoldAsAnotherOpener(const Text& path, bool exclusive) {
  const int fd = open(Fs(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kNoPlatformFile;
  if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    close(fd);
    return kNoPlatformFile;
  }
  return fd;
}
