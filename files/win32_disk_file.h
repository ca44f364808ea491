#pragma once

#include <windows.h>

#include "text/text.h"

// Whether Windows takes the path for a device rather than a file: CON,
// PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9 in any folder, with any
// extension, as this version of Windows reads such names, or a bare
// "\\.\" or "\\?\" device path. Read off the name alone: opening a
// serial port even briefly can block, or signal whatever is attached.
bool NamesDevice(const Text& path);

// CreateFileW for files on disk only. A path that names a device is never
// opened, and a handle that turns out to be anything but a disk file (a
// console, a pipe, a device reached some other way) is closed before any
// byte is read or written. Both give INVALID_HANDLE_VALUE with
// ERROR_BAD_FILE_TYPE: something is there, but no file to use.
HANDLE OpenDiskFile(const Text& path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
