#include "files/file_size.h"
#include "files/spelling_on_disk.h"

// Windows' own lookup already ignores letter case, and lists nothing.
Text SpellingOnDisk(const Text& folder, const Text& name) {
  return FileSize(folder + name) >= 1 ? name : Text();
}

void ForgetSpellingsOnDisk() {}
