#include "tests/support/other_opener.h"

#include <windows.h>

#include "tests/support/temp_folder.h"

PlatformFile HoldAsAnotherOpener(const Text& path, bool exclusive) {
  const HANDLE handle =
      CreateFileW(Fs(path).wstring().c_str(), GENERIC_READ, exclusive ? 0 : FILE_SHARE_READ,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? kNoPlatformFile : reinterpret_cast<PlatformFile>(handle);
}
