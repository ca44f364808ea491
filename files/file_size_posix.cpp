#include <sys/stat.h>

#include <string>

#include "files/file_size.h"
#include "files/held_folders_posix.h"

int64_t PlatformFileSize(const Text& path) {
  struct stat info;
  static std::string name;
  const int folder = PosixNameInto(path, &name);
  if (fstatat(folder, name.c_str(), &info, 0) != 0) return kNoFile;
  if (S_ISDIR(info.st_mode)) return kFolder;
  if (S_ISREG(info.st_mode)) return static_cast<int64_t>(info.st_size);
  return kNoFile;  // FIFOs, sockets and devices are never real files here
}
