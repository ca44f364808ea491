#include <unistd.h>

#include <string>

#include "files/current_folder.h"
#include "text/posix_path.h"
#include "text/path_separator.h"

Text CurrentFolder() {
  std::string folder(4096, '\0');
  while (getcwd(&folder[0], folder.size()) == nullptr) {
    if (folder.size() > (1u << 20)) return Text();
    folder.resize(folder.size() * 2);
  }
  return WithFolderSeparator(TextOfPosixPath(folder.c_str()));
}

bool IsAbsolutePath(const Text& path) { return !path.empty() && path[0] == u'/'; }
