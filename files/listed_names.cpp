#include "files/listed_names.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/blank_fields.h"
#include "text/path_separator.h"
#include "text/string_helpers.h"

namespace {

struct NameRecord {
  bool recording = false;
  Text folder;
  std::vector<uint64_t> digests;
  bool sorted = true;
};

NameRecord gRecord;

// FNV-1a over the name's code units, ASCII letters folded: a file system
// that ignores case then finds no name absent that it would open.
uint64_t DigestOf(const Text& name, size_t start) {
  uint64_t digest = 14695981039346656037ull;
  for (size_t i = start; i < name.size(); ++i) {
    digest = (digest ^ AsciiLower(name[i])) * 1099511628211ull;
  }
  return digest;
}

// Whether the name, from start on, ends in ".bak" in any letter case: a
// folder's other names, its sheets and images, are never asked about.
bool IsBackupName(const Text& name, size_t start) {
  static const TextView kBackup = u".bak";
  return name.size() - start > kBackup.size() &&
         EqualIgnoringAsciiCase(TextView(name).substr(name.size() - kBackup.size()), kBackup);
}

}  // namespace

void StartNameRecord(const Text& folder) {
  gRecord = NameRecord();
  gRecord.recording = true;
  gRecord.folder = folder;
}

void RecordName(const Text& name) {
  if (!gRecord.recording || !IsBackupName(name, 0)) return;
  gRecord.digests.push_back(DigestOf(name, 0));
  gRecord.sorted = false;
}

bool ListingLacks(const Text& path) {
  const Text& folder = gRecord.folder;
  if (!gRecord.recording || path.size() <= folder.size() ||
      path.compare(0, folder.size(), folder) != 0 || !IsBackupName(path, folder.size())) {
    return false;
  }
  for (size_t i = folder.size(); i < path.size(); ++i) {
    if (IsFolderSeparator(path[i])) return false;
  }
  if (!gRecord.sorted) {
    std::sort(gRecord.digests.begin(), gRecord.digests.end());
    gRecord.sorted = true;
  }
  return !std::binary_search(gRecord.digests.begin(), gRecord.digests.end(),
                             DigestOf(path, folder.size()));
}

void ForgetNameRecord() { gRecord = NameRecord(); }
