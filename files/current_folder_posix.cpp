#include <unistd.h>

#include <string>

#include "files/current_folder.h"
#include "text/utf8.h"

Text CurrentFolder() {
  std::string folder(4096, '\0');
  while (getcwd(&folder[0], folder.size()) == nullptr) {
    if (folder.size() > (1u << 20)) return Text();
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::char_traits<char>::length(folder.c_str()));
  if (folder.empty() || folder.back() != '/') folder += '/';
  return DecodeUtf8(folder.data(), folder.size());
}

bool IsAbsolutePath(const Text& path) { return !path.empty() && path[0] == u'/'; }
