#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "files/path_kind.h"
#include "files/held_folders_posix.h"

PathKind KindOfPath(const Text& path) {
  const PosixName name = PosixNameOf(path);
  struct stat info;
  if (fstatat(name.folder, name.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENAMETOOLONG ? PathKind::NameTooLong : PathKind::Missing;
  }
  if (S_ISLNK(info.st_mode)) return PathKind::Link;
  if (S_ISDIR(info.st_mode)) return PathKind::Folder;
  return S_ISREG(info.st_mode) ? PathKind::File : PathKind::Other;
}
