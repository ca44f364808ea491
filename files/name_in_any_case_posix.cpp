#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "files/file_size.h"
#include "files/held_folders_posix.h"
#include "files/name_in_any_case.h"
#include "text/posix_path.h"
#include "text/string_helpers.h"
#include "text/utf8.h"

namespace {

// One folder's entries as (name with ASCII letters folded, name on disk),
// sorted, so that a sheet whose FILE lines miss lists its folder once
// rather than once per line and suffix.
struct FolderSpellings {
  bool listed = false;
  Text folder;
  std::vector<std::pair<std::string, std::string>> names;
};

FolderSpellings gSpellings;

std::string FoldedAscii(std::string name) {
  for (char& c : name) c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
  return name;
}

void ListSpellings(const Text& folder) {
  ForgetListedNames();
  gSpellings.listed = true;
  gSpellings.folder = folder;
  DIR* listing = OpenFolderEntries(folder);
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    gSpellings.names.emplace_back(FoldedAscii(entry->d_name), entry->d_name);
  }
  closedir(listing);
  std::sort(gSpellings.names.begin(), gSpellings.names.end());
}

}  // namespace

Text FindNameInAnyCase(const Text& folder, TextView name) {
  if (FileSizeIn(folder, name) >= 1) return Text(name);
  // "GAME.BIN" in a sheet means "game.bin" on the disk it was made on; a
  // case-sensitive file system needs the spelling that is really there.
  if (!gSpellings.listed || gSpellings.folder != folder) ListSpellings(folder);
  const std::string wanted = FoldedAscii(EncodeUtf8(name));
  auto match = std::lower_bound(gSpellings.names.begin(), gSpellings.names.end(),
                                std::make_pair(wanted, std::string()));
  for (; match != gSpellings.names.end() && match->first == wanted; ++match) {
    const Text candidate = TextOfPosixPath(match->second.c_str());
    if (FileSizeIn(folder, candidate) >= 1) return candidate;
  }
  return Text();
}

void ForgetListedNames() { gSpellings = FolderSpellings(); }
