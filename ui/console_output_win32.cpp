#include <windows.h>

#include "text/utf8.h"
#include "ui/console_output.h"

namespace {

// The handle lines go to: the one the program was given (a file or pipe a
// parent redirected it to), else the console of the parent it was started
// from; nothing when there is neither, as when started from Explorer.
HANDLE OutputHandle(bool toError) {
  static bool attached = false;
  const DWORD which = toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
  HANDLE handle = GetStdHandle(which);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return handle;
  if (!attached) {
    attached = true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
  }
  handle = GetStdHandle(which);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return handle;
  handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  SetStdHandle(which, handle);
  return handle;
}

}  // namespace

// A console takes UTF-16 as it is, whatever its code page; a file or pipe
// gets UTF-8, as the Linux program writes.
void WriteConsoleText(TextView text, bool toError) {
  const HANDLE handle = OutputHandle(toError);
  if (handle == nullptr) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = EncodeUtf8(Text(text));
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WriteConsoleLine(TextView text) {
  // One write per line: lines of two runs sharing a console stay whole.
  Text line(text);
  line += u"\r\n";
  WriteConsoleText(line);
}

void FlushConsole() {}
