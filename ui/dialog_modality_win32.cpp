#include "ui/dialog_modality_win32.h"

#include <list>

namespace {

// Newest first. std::list allocates each record on its own, so unlinking
// one frees it without touching the others.
std::list<ModalityRecord> gModalityRecords;

void SetTopmost(HWND window, bool topmost) {
  SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE);
}

// Records one top-level window if the calling thread shows it, and
// disables it unless it is already disabled or in the foreground.
BOOL CALLBACK RecordWindow(HWND window, LPARAM) {
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() ||
      !IsWindowVisible(window)) {
    return TRUE;
  }
  ModalityRecord record = {GetCurrentThreadId(), window, false, false};
  record.wasTopmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (window != GetForegroundWindow() && IsWindowEnabled(window)) {
    record.disabled = true;
    EnableWindow(window, FALSE);
  }
  gModalityRecords.push_front(record);
  return TRUE;
}

}  // namespace

HWND DialogOwner() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

void BeginDialogModality() {
  EnumWindows(RecordWindow, 0);
  // A topmost window of ours would sit above the dialog it is waiting for.
  for (const ModalityRecord& record : gModalityRecords) {
    if (record.threadId == GetCurrentThreadId() && record.wasTopmost) {
      SetTopmost(record.window, false);
    }
  }
}

void EndDialogModality() {
  for (auto it = gModalityRecords.begin(); it != gModalityRecords.end();) {
    if (it->threadId != GetCurrentThreadId()) {
      ++it;
      continue;
    }
    if (it->disabled) EnableWindow(it->window, TRUE);
    if (it->wasTopmost) SetTopmost(it->window, true);
    it = gModalityRecords.erase(it);
  }
}
